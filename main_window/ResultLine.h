#pragma once
// The result line of one slot, built from the slot's status and the reply
// record; the pane and the capture file both receive this same text.

#include <cstdint>
#include <string>

#include "platform/NetworkServices.h"

namespace velmora {

// Status text, " from " and the replier (or the target when a failure names
// none); on success the round trip, the data check (EchoedDataIntact) and
// the reply's TTL. An IPv6 echo's replier comes as text, since the reply
// holds IPv4 only.
std::string ResultLine(std::int32_t status, const ICMP_ECHO_REPLY& reply, const std::string& currentIp,
                       bool dataIntact, const std::string& ipv6Replier);

// The echo carries exactly the request's payload back: as many bytes, all of them the payload byte.
bool EchoedDataIntact(const ReplyRecord& record, std::uint8_t payloadByte, int requestDataSize);

// "    Loop #n" in loop mode, "    #n" when more than one pass is asked for, else nothing.
std::string PassNumberText(bool loop, double pingNum, std::int64_t passCount);

}  // namespace velmora
