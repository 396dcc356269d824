// Answers ICMP echo requests in place of the kernel, in the ways a real
// network may: late, with other data or length, with an ICMP error, or amid
// packets that are not the answer. Runs inside a test's own namespace with
// net.ipv4.icmp_echo_ignore_all=1, on a raw socket, until it is killed.
//
//   icmp_responder [--delay MS] [--alter] [--length N] [--param-problem]
//                  [--source-quench] [--noise]
//
// Prints "ready" on stdout once it listens.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
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
    std::optional<std::uint8_t> errorType;  // answer with this ICMP error instead
    bool noise = false;
};

// One echo request as received: the whole datagram and where its parts lie.
struct Request {
    Bytes datagram;
    std::size_t ipHeaderLength = 0;
    sockaddr_in from{};

    std::uint16_t Identifier() const { return std::uint16_t(datagram[ipHeaderLength + 4] << 8 | datagram[ipHeaderLength + 5]); }
    std::uint16_t Sequence() const { return std::uint16_t(datagram[ipHeaderLength + 6] << 8 | datagram[ipHeaderLength + 7]); }
    Bytes Data() const { return Bytes(datagram.begin() + std::ptrdiff_t(ipHeaderLength + 8), datagram.end()); }
};

std::uint16_t Checksum(const Bytes& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) sum += i % 2 == 0 ? bytes[i] << 8 : bytes[i];
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

Bytes Message(std::uint8_t type, std::uint8_t code, std::uint16_t identifier, std::uint16_t sequence,
              const Bytes& body) {
    Bytes message(8 + body.size());
    message[0] = type;
    message[1] = code;
    message[4] = std::uint8_t(identifier >> 8);
    message[5] = std::uint8_t(identifier);
    message[6] = std::uint8_t(sequence >> 8);
    message[7] = std::uint8_t(sequence);
    std::copy(body.begin(), body.end(), message.begin() + 8);
    const std::uint16_t checksum = Checksum(message);
    message[2] = std::uint8_t(checksum >> 8);
    message[3] = std::uint8_t(checksum);
    return message;
}

// The request's IP header and the first `icmpBytes` of its ICMP message, as
// an error quotes them.
Bytes Quote(const Request& request, std::size_t icmpBytes = 8) {
    return Bytes(request.datagram.begin(), request.datagram.begin() + std::ptrdiff_t(request.ipHeaderLength + icmpBytes));
}

void Send(int fd, const Request& to, const Bytes& message) {
    if (::sendto(fd, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&to.from),
                 sizeof to.from) < 0) {
        std::perror("icmp_responder: sendto");
    }
}

Bytes ReplyData(const Request& request, const Mode& mode) {
    Bytes data = request.Data();
    if (mode.length) data.resize(*mode.length, 0x5A);
    if (mode.alter) {
        for (auto& byte : data) byte ^= 0xFF;
    }
    return data;
}

Bytes TheAnswer(const Request& request, const Mode& mode) {
    if (mode.errorType) return Message(*mode.errorType, 0, 0, 0, Quote(request));
    return Message(0, 0, request.Identifier(), request.Sequence(), ReplyData(request, mode));
}

// Packets that look like the answer but are not: replies and errors for
// requests that are not this one, a quote cut short, a bad checksum, a type
// that answers nothing.
std::vector<Bytes> Noise(const Request& request) {
    const std::uint16_t id = request.Identifier();
    const std::uint16_t seq = request.Sequence();
    Bytes wrongData = request.Data();
    wrongData.push_back(0xEE);
    Bytes badChecksum = Message(0, 0, id, seq, wrongData);
    badChecksum[2] ^= 0x5A;

    auto quoteWith = [&](std::size_t at, std::uint8_t value) {
        Bytes quote = Quote(request);
        quote[at] ^= value;
        return quote;
    };
    const std::size_t icmp = request.ipHeaderLength;
    return {
        Message(0, 0, std::uint16_t(id ^ 0x5555), seq, request.Data()),
        Message(0, 0, id, std::uint16_t(seq + 1), request.Data()),
        badChecksum,
        Message(11, 0, 0, 0, quoteWith(icmp + 4, 0x55)),   // another identifier
        Message(11, 0, 0, 0, quoteWith(icmp + 7, 0x01)),   // another sequence
        Message(3, 1, 0, 0, quoteWith(19, 0x01)),          // another destination
        Message(3, 1, 0, 0, quoteWith(icmp, 0x08)),        // quotes an echo reply
        Message(11, 0, 0, 0, Quote(request, 4)),           // ours, cut short
        Message(40, 0, 0, 0, Quote(request)),              // a type that answers nothing
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
    request.ipHeaderLength = std::size_t(request.datagram[0] & 0x0F) * 4;
    const bool isEchoRequest = request.ipHeaderLength + 8 <= request.datagram.size() &&
                               request.datagram[request.ipHeaderLength] == 8;
    return isEchoRequest ? std::optional(request) : std::nullopt;
}

void Answer(int fd, const Request& request, const Mode& mode) {
    std::this_thread::sleep_for(std::chrono::milliseconds(mode.delayMs));
    const auto noise = mode.noise ? Noise(request) : std::vector<Bytes>{};
    for (const auto& packet : noise) Send(fd, request, packet);
    Send(fd, request, TheAnswer(request, mode));
    for (const auto& packet : noise) Send(fd, request, packet);
}

std::optional<Mode> ParseArguments(int argc, char** argv) {
    Mode mode;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--delay" && hasValue) mode.delayMs = std::stoi(argv[++i]);
        else if (arg == "--length" && hasValue) mode.length = std::stoul(argv[++i]);
        else if (arg == "--alter") mode.alter = true;
        else if (arg == "--param-problem") mode.errorType = 12;
        else if (arg == "--source-quench") mode.errorType = 4;
        else if (arg == "--noise") mode.noise = true;
        else return std::nullopt;
    }
    return mode;
}

}  // namespace

int main(int argc, char** argv) {
    const auto mode = ParseArguments(argc, argv);
    if (!mode) {
        std::fprintf(stderr, "usage: icmp_responder [--delay MS] [--alter] [--length N] [--param-problem] "
                             "[--source-quench] [--noise]\n");
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    const int dontFragment = IP_PMTUDISC_DONT;
    if (fd < 0 || ::setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &dontFragment, sizeof dontFragment) != 0) {
        std::perror("icmp_responder: socket");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        if (const auto request = Receive(fd)) Answer(fd, *request, *mode);
    }
}
