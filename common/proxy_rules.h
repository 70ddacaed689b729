#pragma once
// Which proxy a transfer of an HTTPS URL goes through, read from a proxy
// setting as Windows keeps it (WinHTTP or Internet Options): a proxy list
// such as "host:port", "http=host:port;https=host:port" or "http://host:port"
// and a bypass list such as "<local>;*.example.com". The proxy's host and
// port reach the transfer tool's command line, so they are checked as
// strictly as a URL.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace merovix {

// A proxy that may stand unquoted on a command line: a host name of letters,
// digits, dots and hyphens, or an IPv4 or bracketed IPv6 address, and a port.
struct ProxyServer {
  std::string host;
  std::uint16_t port = 80;
  friend bool operator==(const ProxyServer&, const ProxyServer&) = default;
};

// "http://host:port": the tools speak plain HTTP to the proxy and tunnel
// the HTTPS transfer through it (CONNECT), as WinHTTP does.
std::string ProxyUrl(const ProxyServer& proxy);

// One proxy setting of the PC; an empty `list` means direct connections.
struct ProxySetting {
  std::string source;  // where it was read, for the log (UTF-8)
  std::string list;
  std::string bypass;
};

enum class ProxyRoute : std::uint8_t {
  Direct,    // no proxy set, or none for HTTPS
  Bypassed,  // the URL's host is on the bypass list
  Proxy,     // through `server`
  Refused,   // the entry for HTTPS is no host and port that may reach a command line
};

struct ProxyDecision {
  ProxyRoute route = ProxyRoute::Direct;
  std::optional<ProxyServer> server;  // with ProxyRoute::Proxy
  std::string source;                 // the setting's, unless Direct without one
  std::string entry;                  // the list's entry for HTTPS, credentials removed
};

// The entry of a proxy list that applies to HTTPS: "https=..." first, else
// one without a scheme name; entries are separated by ";" or blanks. Empty
// when there is none ("http=..." alone leaves HTTPS direct).
std::string HttpsProxyEntry(std::string_view list);

// An entry ("[scheme://]host[:port]", port 80 when missing) as a server;
// nothing when it carries credentials or anything else a command line could
// take for more than a host and a port.
std::optional<ProxyServer> ParseProxyServer(std::string_view entry);

// Where an HTTPS URL points: its host (lower-cased, an IPv6 address with
// its brackets) and port (443 when none is given).
struct UrlAuthority {
  std::string host;
  std::uint16_t port = 443;
};
UrlAuthority AuthorityOf(std::string_view url);

// True when `host` (and `port`) is on the bypass list: entries separated by
// ";", "," or blanks, compared without regard to letter case, "*" standing
// for any run of characters; "<local>" stands for every name without a dot;
// an entry with ":port" must match "host:port" as well.
bool IsBypassed(std::string_view bypass, std::string_view host, std::uint16_t port);

// The decision for a transfer of `url` under `setting`.
ProxyDecision DecideProxy(const ProxySetting& setting, std::string_view url);

// `text` with the user name and password of every "scheme://user:password@"
// and of a leading "user:password@" removed.
std::string WithoutCredentials(std::string_view text);

}  // namespace merovix
