#include "core/spooler_reply.h"

namespace kestrion {

std::string ReplyValueName(const std::string& printerName) {
    return kReplyValuePrefix + printerName + kReplyValueSuffix;
}

}  // namespace kestrion
