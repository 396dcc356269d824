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

void TakeJobAnswer(Slot& slot, const EchoJob& job) {
    slot.echoed = job.answered && job.result != -1;
    if (!job.answered) {
        slot.status = IP_GENERAL_FAILURE;
    } else {
        slot.status = slot.echoed ? std::int32_t(job.replyRecord.reply.Status) : -1;
    }
}

}  // namespace velmora
