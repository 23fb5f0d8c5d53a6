// The rule that turns activity into the reception status, apart from any
// thread or event, so that it can be followed tick by tick.
#pragma once
#include <optional>

#include "rdstmc.h"

namespace rdstmc {

// What one wait of the status worker saw.
enum class Activity { Rds, Tmc, Quiet };

// Counts the ticks since the last RDS and the last TMC activity, each
// saturating at 6 and expired at 5 or more; both start saturated. TMC activity
// raises the status at once; RDS activity and quiet ticks decide from the
// counts; neither falls until five quiet ticks have passed.
class ReceptionRule {
public:
    static constexpr int kSaturated = 6;
    static constexpr int kExpired = 5;

    // The status that this tick calls for, or nothing when it leaves the
    // status as it is.
    std::optional<TmcStatus> Next(Activity activity);

private:
    int sinceRds_ = kSaturated;
    int sinceTmc_ = kSaturated;
};

}  // namespace rdstmc
