#pragma once
// cap_net_raw, where the program file is granted it, stays permitted but not
// effective: it is raised on the calling thread only for the call that opens
// a raw socket and lowered right after, so no other code of the program, and
// no other thread, ever acts with it. Capabilities are per thread: lowering
// at start, before any thread exists, covers every thread made later.

namespace velmora {

// Raising a capability that is not permitted fails quietly: the raw socket's
// own refusal then tells the caller why.
void RaiseNetRawCapability();
void LowerNetRawCapability();

}  // namespace velmora
