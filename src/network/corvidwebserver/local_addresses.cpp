#include "network/corvidwebserver/local_addresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <string>
#include <vector>

#include "network/corvidwebserver/webserver.h"

bool isOfferedIpv6Address(const std::string& text) {
  if (text.size() >= 3 && text.compare(0, 2, "fe") == 0 &&
      std::string_view("89ab").find(text[2]) != std::string_view::npos)
    return false;
  return !text.starts_with("2001:0:");
}

std::vector<std::string> listLocalAddresses() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  // The system lists the addresses family by family; observers see them interface by interface,
  // in the order the interfaces first appear, each interface's addresses in their order.
  std::vector<std::string> interfaces;
  std::vector<std::vector<std::string>> addresses;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_name == nullptr) continue;
    auto found = std::find(interfaces.begin(), interfaces.end(), entry->ifa_name);
    if (found == interfaces.end()) {
      interfaces.emplace_back(entry->ifa_name);
      addresses.emplace_back();
      found = std::prev(interfaces.end());
    }
    if ((entry->ifa_flags & IFF_LOOPBACK) != 0 || entry->ifa_addr == nullptr) continue;
    auto& mine = addresses[static_cast<size_t>(found - interfaces.begin())];
    char text[INET6_ADDRSTRLEN];
    if (entry->ifa_addr->sa_family == AF_INET) {
      const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
      if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) mine.emplace_back(text);
    } else if (entry->ifa_addr->sa_family == AF_INET6) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
      if (inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) && isOfferedIpv6Address(text)) {
        std::string bracketed = "[";
        bracketed += text;
        bracketed += ']';
        mine.push_back(std::move(bracketed));
      }
    }
  }
  freeifaddrs(list);
  std::vector<std::string> out;
  for (auto& mine : addresses)
    for (auto& address : mine) out.push_back(std::move(address));
  return out;
}
