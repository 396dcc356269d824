#pragma once
// A scripted network: each echo is answered by `answer`, which fills the
// reply record as the platform would; calls are recorded for the tests.

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/NetworkServices.h"

namespace velmora::test {

struct EchoRequest {
    IcmpHandle handle;
    std::uint32_t destination;
    std::vector<std::uint8_t> data;
    std::uint16_t requestSize;
    std::uint8_t ttl;
    std::uint32_t replySize;
    std::uint32_t timeoutMs;
};

// The answer to one echo: the count of replies and the record to write.
struct EchoAnswer {
    std::uint32_t replies = 1;
    ICMP_ECHO_REPLY reply{};
    std::vector<std::uint8_t> data;  // echoed data written behind the record
    bool writeStatusOnly = false;    // failure that leaves every other field alone
};

// Success from the destination with the request's data echoed back.
inline EchoAnswer EchoSuccess(const EchoRequest& request, std::uint32_t rtt, std::uint8_t ttl = 64) {
    EchoAnswer a;
    a.reply.Address = request.destination;
    a.reply.Status = IP_SUCCESS;
    a.reply.RoundTripTime = rtt;
    a.reply.RoundTripMicroseconds = rtt * 1000;
    a.reply.DataSize = std::int16_t(request.data.size());
    a.reply.Options.Ttl = ttl;
    a.data = request.data;
    return a;
}

// Failure with a status; from = 0 leaves the address as the caller left it.
inline EchoAnswer EchoFailure(std::uint32_t status, std::uint32_t from = 0) {
    EchoAnswer a;
    a.replies = 0;
    a.reply.Status = status;
    a.reply.Address = from;
    a.writeStatusOnly = from == 0;
    return a;
}

struct Echo6Request {
    IcmpHandle handle;
    std::string destination;
    std::vector<std::uint8_t> data;
    std::uint8_t hopLimit;
    std::uint32_t timeoutMs;
};

// An IPv6 echo's answer; `from` empty leaves the replier unnamed.
struct Echo6Answer {
    std::uint32_t status = IP_SUCCESS;
    std::string from;
    std::uint32_t rtt = 0;
    std::uint8_t hopLimit = 0;
    std::vector<std::uint8_t> data;
};

inline Echo6Answer Echo6Success(const Echo6Request& request, std::uint32_t rtt, std::uint8_t hopLimit) {
    return {IP_SUCCESS, request.destination, rtt, hopLimit, request.data};
}

// Failure with a status; from empty names no replier.
inline Echo6Answer Echo6Failure(std::uint32_t status, std::string from = {}) {
    Echo6Answer a;
    a.status = status;
    a.from = std::move(from);
    return a;
}

class FakeNetworkServices : public NetworkServices {
public:
    std::function<EchoAnswer(const EchoRequest&)> answer = [](const EchoRequest& r) { return EchoSuccess(r, 1); };
    std::map<std::string, std::uint32_t> hosts;  // name look-up table
    int startupResult = 0;
    std::uint16_t grantedVersion = 0x0101;
    std::int16_t maxSockets = 32767;
    std::string permissionAdvice;

    std::vector<EchoRequest> echoes;
    std::vector<IcmpHandle> opened;
    std::set<IcmpHandle> open;
    int startups = 0, cleanups = 0;

    IcmpHandle IcmpCreateFile() override {
        const IcmpHandle h = nextHandle_++;
        opened.push_back(h);
        open.insert(h);
        return h;
    }

    std::set<IcmpHandle> sweeps;  // of the open handles, those of sweeps

    IcmpHandle IcmpCreateSweepFile() override {
        const IcmpHandle h = IcmpCreateFile();
        sweeps.insert(h);
        return h;
    }

    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                               std::uint16_t requestSize, const IP_OPTION_INFORMATION* options, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs) override {
        const auto* bytes = static_cast<const std::uint8_t*>(requestData);
        EchoRequest request{handle, destination, std::vector<std::uint8_t>(bytes, bytes + requestSize),
                            requestSize, options ? options->Ttl : std::uint8_t(0), replySize, timeoutMs};
        echoes.push_back(request);
        return WriteAnswer(answer(request), replyBuffer);
    }

    bool IcmpCloseHandle(IcmpHandle handle) override { return open.erase(handle) == 1; }

    std::string IcmpPermissionAdvice() const override { return permissionAdvice; }

    int WSAStartup(std::uint16_t, WSADATA& data) override {
        ++startups;
        data.wVersion = grantedVersion;
        data.iMaxSockets = maxSockets;
        if (startupResult == 0) ++started_;
        return startupResult;
    }

    int WSACleanup() override {
        ++cleanups;
        if (started_ == 0) return -1;
        --started_;
        return 0;
    }

    std::optional<std::uint32_t> gethostbyname(const std::string& name) override {
        const auto it = hosts.find(name);
        if (it == hosts.end()) return std::nullopt;
        return it->second;
    }

    std::string inet_ntoa(std::uint32_t a) override {
        return std::to_string(OctetOf(a, 0)) + "." + std::to_string(OctetOf(a, 1)) + "." +
               std::to_string(OctetOf(a, 2)) + "." + std::to_string(OctetOf(a, 3));
    }

    // The tables as the test sets them; a result other than NO_ERROR answers
    // the call that fills the buffer (the size query still gives the size).
    std::vector<MIB_IPNETROW> arpRows;
    std::vector<MIB_IFROW> ifRows;
    std::uint32_t ifResult = NO_ERROR;  // ERROR_NOT_SUPPORTED answers both calls
    std::uint32_t deleteResult = NO_ERROR;
    std::vector<MIB_IPNETROW> deleted;
    int arpReads = 0, ifReads = 0;

    std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool) override {
        const std::uint32_t answer = AnswerTable(arpRows, table, size);
        if (answer != NO_ERROR) return answer;
        ++arpReads;
        return NO_ERROR;
    }

    std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW& row) override {
        deleted.push_back(row);
        if (deleteResult != NO_ERROR) return deleteResult;
        std::erase_if(arpRows, [&](const MIB_IPNETROW& r) { return r.dwIndex == row.dwIndex && r.dwAddr == row.dwAddr; });
        return NO_ERROR;
    }

    std::uint32_t GetIfTable(void* table, std::uint32_t& size, bool) override {
        if (ifResult == ERROR_NOT_SUPPORTED) return ERROR_NOT_SUPPORTED;
        const std::uint32_t answer = AnswerTable(ifRows, table, size);
        if (answer != NO_ERROR) return answer;
        ++ifReads;
        if (afterIfRead) afterIfRead();
        return ifResult;
    }

    // Runs after each filled interface table: a test changes the table between reads.
    std::function<void()> afterIfRead;

private:
    IcmpHandle nextHandle_ = 100;
    int started_ = 0;

    static std::uint32_t WriteAnswer(const EchoAnswer& a, void* replyBuffer) {
        auto* record = static_cast<ReplyRecord*>(replyBuffer);
        if (a.writeStatusOnly) {
            record->reply.Status = a.reply.Status;
        } else {
            record->reply = a.reply;
            std::copy_n(a.data.begin(), std::min(a.data.size(), record->data.size()), record->data.begin());
        }
        return a.replies;
    }

public:
    // Asynchronous echoes wait, in the order sent, until the test answers them.
    struct PendingEcho {
        EchoRequest request;
        void* replyBuffer;
        std::function<void(std::uint32_t)> completion;
    };
    std::vector<PendingEcho> inFlight;

    void IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t)> completion, std::uint32_t destination,
                       const void* requestData, std::uint16_t requestSize, const IP_OPTION_INFORMATION* options,
                       void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override {
        const auto* bytes = static_cast<const std::uint8_t*>(requestData);
        EchoRequest request{handle, destination, std::vector<std::uint8_t>(bytes, bytes + requestSize),
                            requestSize, options ? options->Ttl : std::uint8_t(0), replySize, timeoutMs};
        echoes.push_back(request);
        inFlight.push_back({request, replyBuffer, std::move(completion)});
    }

    // Answers the echo at this place of inFlight by `answer`.
    void CompleteEcho(std::size_t place) {
        PendingEcho echo = std::move(inFlight.at(place));
        inFlight.erase(inFlight.begin() + std::ptrdiff_t(place));
        echo.completion(WriteAnswer(answer(echo.request), echo.replyBuffer));
    }

    // IPv6: names and echoes by address text. An address is the index of its
    // text among those seen, so any text a test uses converts and reads back.
    std::map<std::string, std::string> hosts6;  // name -> IPv6 address text
    std::function<Echo6Answer(const Echo6Request&)> answer6 = [](const Echo6Request& r) {
        return Echo6Success(r, 1, 64);
    };
    std::vector<Echo6Request> echoes6;
    std::vector<IcmpHandle> opened6;

    IcmpHandle Icmp6CreateFile() override {
        const IcmpHandle h = IcmpCreateFile();
        opened.pop_back();
        opened6.push_back(h);
        return h;
    }

    std::uint32_t Icmp6SendEcho2(IcmpHandle handle, const IPV6_ADDRESS_EX& destination, const void* requestData,
                                 std::uint16_t requestSize, const IP_OPTION_INFORMATION* options, void* replyBuffer,
                                 std::uint32_t, std::uint32_t timeoutMs) override {
        const auto* bytes = static_cast<const std::uint8_t*>(requestData);
        const Echo6Request request{handle, RtlIpv6AddressToStringEx(destination),
                                   std::vector<std::uint8_t>(bytes, bytes + requestSize),
                                   options ? options->Ttl : std::uint8_t(0), timeoutMs};
        echoes6.push_back(request);
        const Echo6Answer a = answer6(request);
        auto* record = static_cast<ReplyRecord6*>(replyBuffer);
        record->reply.Status = a.status;
        if (!a.from.empty()) record->reply.Address = *RtlIpv6StringToAddressEx(a.from);
        record->reply.RoundTripTime = a.rtt;
        record->reply.DataSize = std::int16_t(a.data.size());
        record->reply.HopLimit = a.hopLimit;
        std::copy_n(a.data.begin(), std::min(a.data.size(), record->data.size()), record->data.begin());
        return a.status == IP_SUCCESS ? 1 : 0;
    }

    std::optional<IPV6_ADDRESS_EX> gethostbyname6(const std::string& name) override {
        const auto it = hosts6.find(name);
        if (it == hosts6.end()) return std::nullopt;
        return RtlIpv6StringToAddressEx(it->second);
    }

    std::optional<IPV6_ADDRESS_EX> RtlIpv6StringToAddressEx(const std::string& text) override {
        if (text.find(':') == std::string::npos) return std::nullopt;
        auto known = std::find(texts6_.begin(), texts6_.end(), text);
        if (known == texts6_.end()) known = texts6_.insert(known, text);
        IPV6_ADDRESS_EX address;
        address.sin6_addr[15] = std::uint8_t(known - texts6_.begin() + 1);
        return address;
    }

    std::string RtlIpv6AddressToStringEx(const IPV6_ADDRESS_EX& address) override {
        return texts6_.at(std::size_t(address.sin6_addr[15] - 1));
    }

private:
    std::vector<std::string> texts6_;
};

}  // namespace velmora::test
