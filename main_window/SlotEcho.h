#pragma once
// One slot's echo as both the sequential pass and the parallel sweep carry
// it: the fields read when it is sent, the job a worker or the platform's
// waiting thread fills in, and what the slot's line needs of the answer.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/mdbPing.h"
#include "platform/NetworkServices.h"

namespace velmora {

// The fields as a slot reads them when it is sent.
struct SlotRequest {
    double pingNum = 0;
    std::uint8_t payloadByte = 0;
    double dataSize = 0;
    double ttl = 0;
    double timeoutMs = 0;
};

// One echo's inputs and answer, shared with the work that runs it.
struct EchoJob {
    std::string target;
    ReplyRecord replyRecord;
    IP_OPTION_INFORMATION requestOptions;
    std::uint8_t payloadByte = 0;
    std::int16_t dataSize = 0;
    std::int32_t timeoutMs = 0;
    std::int32_t result = 0;
    bool answered = false;  // false: the work failed before the platform answered
    std::string ipv6Replier;  // an IPv6 echo's replier; "" when the answer names none
};

// The slot being done, as its line needs it.
struct Slot {
    std::int64_t beganUs = 0;  // the wall clock as the slot began
    std::uint8_t payloadByte = 0;
    int dataSize = 0;
    std::int32_t status = 0;
    bool echoed = false;  // a request went out
    std::string ipv6Replier;  // the replier of an IPv6 echo, which the record cannot hold
};

// The request's values are whole and within what it carries
// (UncarriedRequestStatus). The record starts as the last slot left it.
std::shared_ptr<EchoJob> MakeEchoJob(const std::string& target, const SlotRequest& request,
                                     const ReplyRecord& lastRecord);

// A handle for an echo to the target: an ICMPv6 one for an IPv6 address.
IcmpHandle OpenEchoHandle(NetworkServices& net, const std::string& target);

// Sends the job's echo and waits for its answer, over ICMPv6 to an IPv6 address.
void RunEchoJob(const mdbPing& engine, IcmpHandle handle, EchoJob& job);

// A job whose work failed before the platform answered is a general failure.
void TakeJobAnswer(Slot& slot, const EchoJob& job);

}  // namespace velmora
