// The caller's sysError slot: cleared at the start of an operation and then
// written only while it still holds 0, so the first failing system call is the
// one reported and later clean-up failures never overwrite it.
#pragma once

#include <cstdint>

namespace kestrion::link {

class SysError {
public:
    explicit SysError(std::int32_t* slot) : slot_(slot) { *slot_ = 0; }

    void Record(std::int32_t code) {
        if (*slot_ == 0) *slot_ = code;
    }
    void Clear() { *slot_ = 0; }
    std::int32_t Value() const { return *slot_; }

private:
    std::int32_t* slot_;
};

}  // namespace kestrion::link
