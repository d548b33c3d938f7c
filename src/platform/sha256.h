// SHA-256 through the system's own cryptographic provider (Windows XP SP3 has it), so that the
// program carries no hash code of its own.
#pragma once
#include <string>

#include "platform/errors.h"

namespace zv {

// The hash of the bytes as 64 lowercase hexadecimal digits. Raises EError when the system
// offers no SHA-256.
std::string Sha256Hex(const std::string& bytes);

}  // namespace zv
