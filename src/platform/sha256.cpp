#include "platform/sha256.h"

#include <cstdio>

#include "platform/file_io.h"
#include "platform/handles.h"

namespace zv {

namespace {

// CALG_SHA_256, which the headers name only for builds that ask for XP SP3 by NTDDI_VERSION;
// the program asks for XP by _WIN32_WINNT alone, and SP3 is what it supports.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;  // ALG_SID_SHA_256

[[noreturn]] void Fail() { throw EError("无法计算 SHA-256：" + SystemErrorText(GetLastError())); }

}  // namespace

std::string Sha256Hex(const std::string& bytes)
{
    HCRYPTPROV provider = 0;
    // The AES provider type is the one that offers SHA-256; no key container is needed.
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) Fail();
    const TCryptProvider providerOwner(provider);
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, kSha256, 0, 0, &hash)) Fail();
    const TCryptHash hashOwner(hash);
    // In pieces: the call takes a DWORD count.
    const size_t piece = 1u << 20;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        const size_t size = bytes.size() - at < piece ? bytes.size() - at : piece;
        if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data() + at), static_cast<DWORD>(size), 0)) {
            Fail();
        }
    }
    BYTE value[32];
    DWORD size = sizeof(value);
    if (!CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0) || size != sizeof(value)) Fail();
    std::string text;
    for (const BYTE byte : value) {
        char digits[3];
        std::snprintf(digits, sizeof(digits), "%02x", byte);
        text += digits;
    }
    return text;
}

}  // namespace zv
