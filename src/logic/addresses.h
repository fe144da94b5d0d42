// The service's web addresses: the portal's home page and the host of the web chat.
#pragma once

namespace ozl {

inline constexpr const char* kPortalUrl = "http://www.ozl.example/";
inline constexpr const char* kWebChatHost = "chat.ozl.example";

}  // namespace ozl
