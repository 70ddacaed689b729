#include "common/proxy_rules.h"

#include <algorithm>
#include <vector>

#include "framework/strings.h"

namespace merovix {
namespace {

constexpr std::size_t kHostMax = 253;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// "scheme://" at the start of `text`: the scheme's length, else npos.
std::size_t SchemeLength(std::string_view text) {
  const std::size_t marker = text.find("://");
  if (marker == std::string_view::npos || marker == 0) return std::string_view::npos;
  const bool name = std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(marker),
                                [](char c) { return IsAlnum(c) || c == '+' || c == '-' || c == '.'; });
  return name ? marker : std::string_view::npos;
}

bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > kHostMax || !IsAlnum(host.front())) return false;
  return std::all_of(host.begin(), host.end(), [](char c) { return IsAlnum(c) || c == '.' || c == '-'; });
}

bool IsBracketedIpv6(std::string_view host) {
  if (host.size() < 4 || host.front() != '[' || host.back() != ']') return false;
  return std::all_of(host.begin() + 1, host.end() - 1, [](char c) { return IsHex(c) || c == ':' || c == '.'; });
}

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// Splits "host[:port]" (host possibly "[v6]"); the port text is empty when
// there is none.
void SplitHostPort(std::string_view authority, std::string_view& host, std::string_view& port) {
  const std::size_t bracket = authority.rfind(']');
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  } else {
    host = authority;
    port = {};
  }
}

// "*" matches any run of characters; both sides lower-case.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The authority's user information ("user:password@") dropped.
std::string_view WithoutUserInfo(std::string_view authority) {
  const std::size_t at = authority.rfind('@');
  return at == std::string_view::npos ? authority : authority.substr(at + 1);
}

}  // namespace

std::string ProxyUrl(const ProxyServer& proxy) { return "http://" + proxy.host + ":" + std::to_string(proxy.port); }

std::string HttpsProxyEntry(std::string_view list) {
  std::string_view plain;
  for (std::string_view entry : Split(list, "; \t\r\n")) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (plain.empty()) plain = entry;
    } else if (AsciiSameText(entry.substr(0, equals), "https")) {
      return std::string(entry.substr(equals + 1));
    }
  }
  return std::string(plain);
}

std::optional<ProxyServer> ParseProxyServer(std::string_view entry) {
  const std::size_t scheme = SchemeLength(entry);
  if (scheme != std::string_view::npos) {
    const std::string_view name = entry.substr(0, scheme);
    if (!AsciiSameText(name, "http") && !AsciiSameText(name, "https")) return std::nullopt;
    entry.remove_prefix(scheme + 3);
  }
  if (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
  std::string_view host, port;
  SplitHostPort(entry, host, port);
  if (!IsHostName(host) && !IsBracketedIpv6(host)) return std::nullopt;
  ProxyServer server{std::string(host), 80};
  if (entry.size() > host.size()) {  // a ":" came, so a port must follow
    const std::optional<std::uint16_t> number = ParsePort(port);
    if (!number) return std::nullopt;
    server.port = *number;
  }
  return server;
}

UrlAuthority AuthorityOf(std::string_view url) {
  const std::size_t scheme = SchemeLength(url);
  if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
  std::string_view authority = WithoutUserInfo(url.substr(0, url.find_first_of("/?#")));
  std::string_view host, port;
  SplitHostPort(authority, host, port);
  UrlAuthority result{Lower(host), 443};
  if (const std::optional<std::uint16_t> number = ParsePort(port)) result.port = *number;
  return result;
}

bool IsBypassed(std::string_view bypass, std::string_view host, std::uint16_t port) {
  const std::string name = Lower(host);
  const std::string with_port = name + ":" + std::to_string(port);
  for (std::string_view entry : Split(bypass, ";, \t\r\n")) {
    if (entry == "<local>") {
      if (name.find('.') == std::string::npos && name.find(':') == std::string::npos) return true;
      continue;
    }
    const std::size_t scheme = SchemeLength(entry);
    if (scheme != std::string_view::npos) {
      if (!AsciiSameText(entry.substr(0, scheme), "https")) continue;
      entry.remove_prefix(scheme + 3);
    }
    std::string_view entry_host, entry_port;
    SplitHostPort(entry, entry_host, entry_port);
    const std::string pattern = Lower(entry);
    if (WildcardMatch(pattern, entry_port.empty() ? name : with_port)) return true;
  }
  return false;
}

ProxyDecision DecideProxy(const ProxySetting& setting, std::string_view url) {
  ProxyDecision decision;
  const std::string entry = HttpsProxyEntry(setting.list);
  if (entry.empty()) return decision;
  decision.source = setting.source;
  decision.entry = WithoutCredentials(entry);
  const UrlAuthority target = AuthorityOf(url);
  if (IsBypassed(setting.bypass, target.host, target.port)) {
    decision.route = ProxyRoute::Bypassed;
    return decision;
  }
  decision.server = ParseProxyServer(entry);
  decision.route = decision.server ? ProxyRoute::Proxy : ProxyRoute::Refused;
  return decision;
}

std::string WithoutCredentials(std::string_view text) {
  std::string result;
  // A proxy entry may carry them without a scheme: "user:password@host".
  const std::size_t first_at = text.find('@');
  if (first_at != std::string_view::npos && SchemeLength(text) == std::string_view::npos &&
      text.substr(0, first_at).find_first_of("/ \t") == std::string_view::npos) {
    text.remove_prefix(first_at + 1);
  }
  std::size_t from = 0;
  for (std::size_t marker = text.find("://"); marker != std::string_view::npos; marker = text.find("://", marker)) {
    const std::size_t start = marker + 3;
    const std::size_t end = std::min(text.find_first_of("/?# \t\"'<>", start), text.size());
    const std::size_t at = text.substr(start, end - start).rfind('@');
    result.append(text.substr(from, start - from));
    from = at == std::string_view::npos ? start : start + at + 1;
    marker = end;
  }
  result.append(text.substr(from));
  return result;
}

}  // namespace merovix
