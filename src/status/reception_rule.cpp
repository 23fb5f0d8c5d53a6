#include "status/reception_rule.h"

#include <algorithm>

namespace rdstmc {
namespace {
int Older(int ticks) { return std::min(ticks + 1, ReceptionRule::kSaturated); }
}  // namespace

std::optional<TmcStatus> ReceptionRule::Next(Activity activity) {
    switch (activity) {
        case Activity::Tmc:
            sinceRds_ = 0;
            sinceTmc_ = 0;
            return TmcStatusTmc;
        case Activity::Rds:
            sinceRds_ = 0;
            sinceTmc_ = Older(sinceTmc_);
            break;
        case Activity::Quiet:
            sinceRds_ = Older(sinceRds_);
            sinceTmc_ = Older(sinceTmc_);
            break;
    }
    if (sinceRds_ < kExpired) return sinceTmc_ >= kExpired ? TmcStatusRdsOnly : TmcStatusTmc;
    if (sinceTmc_ >= kExpired) return TmcStatusNoRds;
    return std::nullopt;
}

}  // namespace rdstmc
