#pragma once
// The quote request: base URL, counter text and the per-request URL.

#include <cstdint>
#include <string>

namespace kazeban {

// Path and query of the quote page, byte for byte as the service expects them.
extern const char kQuotePathAndQuery[];

// Where the local quote service listens unless the settings file names another host.
extern const char kDefaultQuoteHost[];

// "name" or "name:port" with a port 1-65535; names of letters, digits, '.', '-', '_'.
// Anything else could smuggle a path or credentials into the URL.
bool IsValidQuoteHost(const std::string& host);

// "http://" + host + kQuotePathAndQuery.
std::string MakeBaseUrl(const std::string& host);

// The counter's 32-bit pattern as unsigned hex, uppercase, at least four digits.
std::string CounterText(std::int32_t counter);

// baseUrl + "?kk=" + CounterText(counter). The suffix starts with '?' although the
// base already has a query: the service has always been asked that way.
std::string MakeRequestUrl(const std::string& baseUrl, std::int32_t counter);

// Advances the counter with two's-complement wrap (0x7FFFFFFF -> 0x80000000).
std::int32_t NextCounter(std::int32_t counter);

}  // namespace kazeban
