// Files carried inside a page as data: addresses. A page opened from disk
// may not fetch another file (Chromium refuses fetch() between file://
// addresses), so a piece's model and texture pictures travel in its page.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// The bytes in base64 (RFC 4648, with padding): only letters, digits, "+",
// "/" and "=", nothing that needs escaping in an attribute.
std::string Base64(std::span<const std::uint8_t> bytes);
