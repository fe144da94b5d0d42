#include "protocol/request.h"

#include "text/integer.h"
#include "text/lines.h"

namespace ozl::protocol {
namespace {

void AddLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

void AddHeader(std::string& out, std::string_view name, std::string_view value) {
  out += name;
  out += ": ";
  out += value;
  out += "\r\n";
}

std::string BasicCredentials(const ProxySettings& proxy) {
  return "Basic " + Base64(proxy.login + ":" + proxy.password);
}

}  // namespace

int ParsePort(const std::string& text) {
  try {
    return text::StrToInt(text);
  } catch (const text::ConversionError& error) {
    throw InvalidPortError{error.what()};
  }
}

std::string ServerUrl(std::string_view server_host) {
  return "http://" + std::string(server_host) + ":" + std::to_string(kServerPort);
}

std::string CommandMark(std::uint64_t instance, std::uint64_t number) {
  return std::to_string(instance) + "." + std::to_string(number);
}

std::string BuildRequest(const RequestParams& params) {
  const bool proxied = params.proxy.use_proxy;
  const bool authorized = proxied && params.proxy.use_authorization;
  std::string out;
  AddLine(out, "GET " + (proxied ? ServerUrl(params.server_host) + "/" : std::string("/")) + " HTTP/1.0");
  if (proxied) AddHeader(out, "Proxy-Connection", "close");
  AddHeader(out, "Host", params.server_host);
  AddLine(out, "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
  AddLine(out, "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
  if (authorized) AddHeader(out, "Authorization", BasicCredentials(params.proxy));
  AddLine(out, "Content-type: application/x-www-form-urlencoded");
  if (!params.session_id.empty()) AddHeader(out, "Session", params.session_id);
  // Whatever the user typed, a raw line break would end the header early and break the request.
  if (!params.data.empty()) AddHeader(out, "Data", text::OnOneLine(params.data));
  AddHeader(out, "Version", kProtocolVersion);
  if (!params.command_mark.empty()) AddHeader(out, "Command", params.command_mark);
  if (authorized) AddHeader(out, "Proxy-Authorization", BasicCredentials(params.proxy));
  AddLine(out, "");
  return out;
}

Endpoint Destination(const RequestParams& params) {
  if (params.proxy.use_proxy) return {params.proxy.host, ParsePort(params.proxy.port)};
  return {params.server_host, kServerPort};
}

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned triple = static_cast<unsigned char>(bytes[i]) << 16 |
                            static_cast<unsigned char>(bytes[i + 1]) << 8 |
                            static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[triple >> 18 & 63];
    out += kAlphabet[triple >> 12 & 63];
    out += kAlphabet[triple >> 6 & 63];
    out += kAlphabet[triple & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned triple = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) triple |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[triple >> 18 & 63];
    out += kAlphabet[triple >> 12 & 63];
    out += rest == 2 ? kAlphabet[triple >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace ozl::protocol
