// Answers ICMP echo requests in place of the kernel, in the ways a real
// network may: late, with other data or length, or amid packets that are not
// the answer. Runs inside a test's own namespace with
// net.ipv4.icmp_echo_ignore_all=1, on a raw socket, until it is killed.
//
//   icmp_responder [--delay MS] [--alter] [--length N] [--noise]
//
// Prints "ready PID" on stdout once it listens.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Mode {
    int delayMs = 0;
    bool alter = false;
    std::optional<std::size_t> length;
    bool noise = false;
};

// One echo request as received: the whole datagram, where its ICMP message
// starts, and its sender.
struct Request {
    Bytes datagram;
    std::size_t icmp = 0;
    sockaddr_in from{};

    std::uint16_t Word(std::size_t at) const {
        return std::uint16_t(datagram[icmp + at] << 8 | datagram[icmp + at + 1]);
    }
    Bytes Data() const { return Bytes(datagram.begin() + long(icmp + 8), datagram.end()); }
    // The IP header and the first 8 bytes of the ICMP message, as an error quotes them.
    Bytes Quote() const { return Bytes(datagram.begin(), datagram.begin() + long(icmp + 8)); }
};

Bytes Message(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq, const Bytes& body) {
    Bytes message(8 + body.size());
    const std::uint8_t header[] = {type, code, 0, 0, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(seq >> 8),
                                   std::uint8_t(seq)};
    std::copy(std::begin(header), std::end(header), message.begin());
    std::copy(body.begin(), body.end(), message.begin() + 8);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < message.size(); ++i) sum += i % 2 == 0 ? message[i] << 8 : message[i];
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    message[2] = std::uint8_t(~sum >> 8);
    message[3] = std::uint8_t(~sum);
    return message;
}

Bytes TheAnswer(const Request& request, const Mode& mode) {
    Bytes data = request.Data();
    if (mode.length) data.resize(*mode.length, 0x5A);
    if (mode.alter) {
        for (auto& byte : data) byte ^= 0xFF;
    }
    return Message(0, 0, request.Word(4), request.Word(6), data);
}

// Packets that look like the answer but are not: a reply to another request
// and errors quoting our request with another sequence or destination.
std::vector<Bytes> Noise(const Request& request) {
    auto quoteWith = [&](std::size_t at) {
        Bytes quote = request.Quote();
        quote[at] ^= 0x01;
        return quote;
    };
    return {
        Message(0, 0, std::uint16_t(request.Word(4) ^ 0x5555), request.Word(6), request.Data()),
        Message(11, 0, 0, 0, quoteWith(request.icmp + 7)),
        Message(3, 1, 0, 0, quoteWith(19)),
    };
}

std::optional<Request> Receive(int fd) {
    Request request;
    request.datagram.resize(65536);
    socklen_t fromLength = sizeof request.from;
    const ssize_t length = ::recvfrom(fd, request.datagram.data(), request.datagram.size(), 0,
                                      reinterpret_cast<sockaddr*>(&request.from), &fromLength);
    if (length < 20) return std::nullopt;
    request.datagram.resize(std::size_t(length));
    request.icmp = std::size_t(request.datagram[0] & 0x0F) * 4;
    const bool isEchoRequest = request.icmp + 8 <= request.datagram.size() && request.datagram[request.icmp] == 8;
    return isEchoRequest ? std::optional(request) : std::nullopt;
}

void Answer(int fd, const Request& request, const Mode& mode) {
    std::this_thread::sleep_for(std::chrono::milliseconds(mode.delayMs));
    const std::vector<Bytes> noise = mode.noise ? Noise(request) : std::vector<Bytes>{};
    std::vector<Bytes> packets = noise;
    packets.push_back(TheAnswer(request, mode));
    packets.insert(packets.end(), noise.begin(), noise.end());
    for (const auto& packet : packets) {
        if (::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&request.from),
                     sizeof request.from) < 0) {
            std::perror("icmp_responder: sendto");
        }
    }
}

std::optional<Mode> ParseArguments(int argc, char** argv) {
    Mode mode;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--delay" && hasValue) mode.delayMs = std::stoi(argv[++i]);
        else if (arg == "--length" && hasValue) mode.length = std::stoul(argv[++i]);
        else if (arg == "--alter") mode.alter = true;
        else if (arg == "--noise") mode.noise = true;
        else return std::nullopt;
    }
    return mode;
}

}  // namespace

int main(int argc, char** argv) {
    const auto mode = ParseArguments(argc, argv);
    if (!mode) {
        std::fprintf(stderr, "usage: icmp_responder [--delay MS] [--alter] [--length N] [--noise]\n");
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    const int dontFragment = IP_PMTUDISC_DONT;
    if (fd < 0 || ::setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &dontFragment, sizeof dontFragment) != 0) {
        std::perror("icmp_responder: socket");
        return 1;
    }
    std::printf("ready %ld\n", long(::getpid()));
    std::fflush(stdout);
    for (;;) {
        if (const auto request = Receive(fd)) Answer(fd, *request, *mode);
    }
}
