// The caller's sysError slot: cleared at the start of an operation and then
// written only while it still holds 0, so the first failing system call is the
// one reported and later clean-up failures never overwrite it.
#pragma once

#include <cstdint>

namespace kestrion::link {

class SysError {
public:
    explicit SysError(std::int32_t* slot) : errorSlot(slot) { *errorSlot = 0; }

    void Record(std::int32_t code) {
        if (*errorSlot == 0) *errorSlot = code;
    }
    void Clear() { *errorSlot = 0; }
    std::int32_t Value() const { return *errorSlot; }

private:
    std::int32_t* errorSlot;
};

}  // namespace kestrion::link
