// The service's web addresses. The chat server serves the portal, the web chat's start page and
// the web chat too, on the port the client talks to, so the one host setting names the whole
// service.
#pragma once

#include "protocol/request.h"

namespace ozl {

inline constexpr const char* kWebChatHost = OZL_SERVER_HOST;
inline constexpr const char* kWebServer = OZL_SERVER_HOST ":5190";
inline constexpr const char* kPortalUrl = "http://" OZL_SERVER_HOST ":5190/";
static_assert(protocol::kServerPort == 5190, "the web addresses name the chat server's port");

}  // namespace ozl
