#include "feed/RequestUrl.h"

#include <cstdio>

namespace kazeban {

const char kQuotePathAndQuery[] =
    "/txt/html.php?sz=146x210&ticker=USDJPY,EURJPY,GBPJPY,AUDJPY,CHFJPY,EURUSD,GBPUSD,USDCHF,"
    "GBPCHF,&tz=+5&form=full&c1=154B26&c2=CCCCCC&c3=FFFFFF&lang=jp";

const char kDefaultQuoteHost[] = "127.0.0.1:8740";

namespace {

bool IsHostNameChar(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' ||
           ch == '_';
}

bool IsValidPort(const std::string& port) {
    // Five digits cover 65535; more could only be leading zeros, and a long
    // run of digits must not overflow the value below.
    if (port.empty() || port.size() > 5) {
        return false;
    }
    long value = 0;
    for (char ch : port) {
        if (ch < '0' || ch > '9') {
            return false;
        }
        value = value * 10 + (ch - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

bool IsValidQuoteHost(const std::string& host) {
    const std::size_t colon = host.find(':');
    const std::string name = host.substr(0, colon);
    if (name.empty()) {
        return false;
    }
    for (char ch : name) {
        if (!IsHostNameChar(ch)) {
            return false;
        }
    }
    return colon == std::string::npos || IsValidPort(host.substr(colon + 1));
}

std::string MakeBaseUrl(const std::string& host) { return "http://" + host + kQuotePathAndQuery; }

std::string CounterText(std::int32_t counter) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(static_cast<std::uint32_t>(counter)));
    return digits;
}

std::string MakeRequestUrl(const std::string& baseUrl, std::int32_t counter) {
    return baseUrl + "?kk=" + CounterText(counter);
}

std::int32_t NextCounter(std::int32_t counter) {
    // Signed overflow is undefined; the unsigned add wraps, and converting
    // the pattern back is modular on every compiler we build with.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + 1u);
}

}  // namespace kazeban
