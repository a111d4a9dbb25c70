#include "dealer/vehicle_offers.h"

#include "dealer/truncate.h"

#include <cmath>

bool VehicleOffer::Bargain(bool raise, std::mt19937& generator) {
    if (bargains_left < 1) return false;
    const std::int32_t step =
        (raise ? 50 : -50) * std::uniform_int_distribution<std::int32_t>(0, 5)(generator);
    // A plain 32-bit sum: it wraps rather than overflow.
    price = static_cast<std::int32_t>(static_cast<std::uint32_t>(price) + static_cast<std::uint32_t>(step));
    bargains_left = bargains_left - 1;
    return true;
}

AppraisalBasis AppraisalBasisOf(float health, std::uint32_t baseValue) {
    const float h = (std::isnan(health) || health > 1000.0f) ? 1000.0f : health;
    const std::int32_t t = TruncateToInt32(h);
    const std::uint32_t p = static_cast<std::uint32_t>(t) * baseValue;
    AppraisalBasis basis;
    basis.q = p / 1000u;
    basis.k = static_cast<std::int32_t>(static_cast<double>(basis.q) * 0.4);
    return basis;
}

Appraisal Appraise(float health, std::uint32_t baseValue, std::mt19937& generator) {
    const AppraisalBasis basis = AppraisalBasisOf(health, baseValue);
    // q < 2^32 / 1000 and k <= 0.4 q: q, 2k and q + noise all fit in 32-bit signed integers.
    const std::int32_t noise =
        std::uniform_int_distribution<std::int32_t>(0, 2 * basis.k)(generator) - basis.k;
    Appraisal appraisal;
    appraisal.price = static_cast<std::int32_t>(basis.q) + noise;
    appraisal.bargains = std::uniform_int_distribution<std::int32_t>(0, 5)(generator);
    return appraisal;
}

VehicleOffer* OfferTable::Find(std::int32_t vehicle) {
    for (VehicleOffer& offer : entries)
        if (offer.vehicle == vehicle) return &offer;
    return nullptr;
}

bool OfferTable::BargainOffer(std::int32_t vehicle, DealState state, std::mt19937& generator) {
    VehicleOffer* offer = Find(vehicle);
    return offer != nullptr && offer->Bargain(BargainRaises(state), generator);
}
