// Started by CapabilityTest from a copy granted cap_net_raw+ep: starts as the
// program does, then prints, one "name value" line each, what /proc says of
// its capabilities at each step: the effective sets of all its threads
// together, and its permitted set.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <string>
#include <thread>

#include "platform/LinuxNetworkServices.h"
#include "platform/NetRawCapability.h"

namespace {

std::uint64_t CapabilityField(const std::filesystem::path& status, const std::string& field) {
    std::ifstream in(status);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field, 0) == 0) return std::stoull(line.substr(field.size()), nullptr, 16);
    }
    return ~std::uint64_t{0};
}

std::uint64_t EffectiveOfAllThreads() {
    std::uint64_t all = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        all |= CapabilityField(task.path() / "status", "CapEff:");
    }
    return all;
}

}  // namespace

int main() {
    using namespace velmora;
    std::cout << "at-start " << EffectiveOfAllThreads() << "\n";
    LowerNetRawCapability();
    std::cout << "idle " << EffectiveOfAllThreads() << "\n";
    std::cout << "permitted " << CapabilityField("/proc/self/status", "CapPrm:") << "\n";

    // Loopback ignores echoes here, so this one waits out its timeout.
    LinuxNetworkServices ping(SocketPreference::PingOnly);
    ReplyRecord record{};
    std::promise<void> done;
    ping.IcmpSendEcho2(ping.IcmpCreateFile(), [&](std::uint32_t) { done.set_value(); },
                       AddressFromOctets(127, 0, 0, 1), nullptr, 0, nullptr, &record, kReplyBufferSize, 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::cout << "pinging " << EffectiveOfAllThreads() << "\n";
    done.get_future().wait();
    std::cout << "ping-status " << record.reply.Status << "\n";

    LinuxNetworkServices raw(SocketPreference::RawOnly);
    std::cout << "raw-socket " << (raw.IcmpCreateFile() != INVALID_HANDLE_VALUE ? "opened" : "refused") << "\n";
    std::cout << "after-raw " << EffectiveOfAllThreads() << "\n";
}
