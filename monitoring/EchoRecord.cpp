#include "monitoring/EchoRecord.h"

#include "engine/mdbPing.h"

namespace velmora {

std::string StatusText(const EchoSample& sample) { return mdbPing::GetStatusText(sample.status); }

}  // namespace velmora
