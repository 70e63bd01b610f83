#include "Timeouts.h"

#include "ZorProtocolSupport.h"

namespace lgm {

Timeouts ScaledTimeouts(double scale) {
    return {zorproto::scaledMs(6000, scale), zorproto::scaledMs(3000, scale),
            zorproto::scaledMs(6000, scale)};
}

const Timeouts& LinkTimeouts() {
    static const Timeouts timeouts = ScaledTimeouts(zorproto::timeScale());
    return timeouts;
}

} // namespace lgm
