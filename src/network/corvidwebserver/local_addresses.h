// The filter of listLocalAddresses, open to tests.
#pragma once

#include <string>

// Whether the text of an IPv6 address (as inet_ntop writes it) is offered to observers: not
// link-local ("fe8" to "feb") and not Teredo ("2001:0:").
bool isOfferedIpv6Address(const std::string& text);
