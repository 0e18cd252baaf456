#include "core/modIsProcessRunning.h"

namespace modIsProcessRunning {

std::string StripNulls(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

} // namespace modIsProcessRunning
