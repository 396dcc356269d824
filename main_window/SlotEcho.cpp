#include "main_window/SlotEcho.h"

namespace velmora {

std::shared_ptr<EchoJob> MakeEchoJob(const std::string& target, const SlotRequest& request,
                                     const ReplyRecord& lastRecord) {
    auto job = std::make_shared<EchoJob>();
    job->target = target;
    job->replyRecord = lastRecord;
    job->replyRecord.reply.Address = 0;
    job->requestOptions.Ttl = std::uint8_t(request.ttl);
    job->payloadByte = request.payloadByte;
    job->dataSize = std::int16_t(request.dataSize);
    job->timeoutMs = std::int32_t(request.timeoutMs);
    return job;
}

IcmpHandle OpenEchoHandle(NetworkServices& net, const std::string& target) {
    return mdbPing::IsIpv6Address(target) ? net.Icmp6CreateFile() : net.IcmpCreateFile();
}

void RunEchoJob(const mdbPing& engine, IcmpHandle handle, EchoJob& job) {
    job.result = mdbPing::IsIpv6Address(job.target)
                     ? engine.Ping6(handle, job.target, job.replyRecord, job.ipv6Replier, job.requestOptions,
                                    job.payloadByte, job.dataSize, job.timeoutMs)
                     : engine.Ping(handle, job.target, job.replyRecord, job.requestOptions, job.payloadByte,
                                   job.dataSize, job.timeoutMs);
}

void TakeJobAnswer(Slot& slot, const EchoJob& job) {
    slot.ipv6Replier = job.ipv6Replier;
    slot.echoed = job.answered && job.result != -1;
    if (!job.answered) {
        slot.status = IP_GENERAL_FAILURE;
    } else {
        slot.status = slot.echoed ? std::int32_t(job.replyRecord.reply.Status) : -1;
    }
}

}  // namespace velmora
