#pragma once
// Direct connections with short connect and stall time-outs (downloads and
// uploads alike) for one test, so a server that never answers fails the
// transfer quickly; the options the test found are put back afterwards.
#include "net/http.h"

namespace vinra::net::testing {

class ShortTimeouts {
public:
    ShortTimeouts(long connectMs, long stallMs) : saved_(CurrentHttpOptions()) {
        HttpOptions o = saved_;
        o.useProxy = false;
        o.connectTimeoutMs = connectMs;
        o.stallTimeoutMs = stallMs;
        o.multipartReadTimeoutMs = stallMs;  // an upload's read time-out too
        SetHttpOptions(o);
    }
    ~ShortTimeouts() { SetHttpOptions(saved_); }
    ShortTimeouts(const ShortTimeouts&) = delete;
    ShortTimeouts& operator=(const ShortTimeouts&) = delete;

private:
    HttpOptions saved_;
};

}  // namespace vinra::net::testing
