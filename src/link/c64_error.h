// A broken link transfer: the C64 dropped its request lines (or stopped
// answering) in the middle of a byte. Thrown by value, caught only by the
// dispatcher's poll, which logs it and raises the presence line again.
#pragma once

namespace brimwick::link {

// The one code the transport uses: the request lines went down mid-transfer.
inline constexpr int kLinkBroken = 1;

struct c64error {
    int code;  // always kLinkBroken
};

}  // namespace brimwick::link
