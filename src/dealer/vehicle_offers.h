#pragma once
#include "dealer/buffer.h"
#include "dealer/deal_state.h"

#include <cstdint>
#include <random>

// Per dealer and vehicle, the price the dealer deals at.
//
// Each host-facing operation (it asks the game whether a vehicle exists, reads Now(), seeds from
// std::random_device; defined in vehicle_offers_host.cpp) hands its values to a pure core of the
// same name that takes them as arguments and is tested natively.

inline constexpr std::int32_t kOfferValiditySeconds = 1800;

struct VehicleOffer {
    std::int64_t expiry = 0; // stale once the current time is past it; set once, at creation
    std::int32_t vehicle = 0;
    std::int32_t price = 0; // changed only by Bargain; may become zero or negative
    std::int32_t bargains_left = 0;
    std::int32_t validity = kOfferValiditySeconds;

    // One bargain step with a fresh generator seeded from std::random_device, seeded on every
    // call, also when no bargain is left. True if the step was made.
    bool Bargain(bool raise);
    // The step itself: refused (false, nothing changes) with fewer than 1 bargain left; otherwise
    // price moves by 50 x a uniform integer in [0, 5], up if raise, down if not, and one bargain
    // is used up (a step of 0 too).
    bool Bargain(bool raise, std::mt19937& generator);
};

// What an appraisal gives a new offer.
struct Appraisal {
    std::int32_t price = 0;
    std::int32_t bargains = 0;
};

// The intermediate values of the appraisal's arithmetic (health cap to k).
struct AppraisalBasis {
    std::uint32_t q = 0; // the price before noise
    std::int32_t k = 0;  // the noise lies in [-k, k]
};

// Steps 3 to 7: h = min(health, 1000) as a float (NaN reads 1000; no lower bound); t = h truncated
// to int32 (below the int32 range: INT32_MIN, as x86 converts); p = t x baseValue as an unsigned
// 32-bit product that wraps; q = p / 1000 unsigned; k = trunc(double(q) x 0.4).
AppraisalBasis AppraisalBasisOf(float health, std::uint32_t baseValue);

// The appraisal: noise = uniform [0, 2k] - k, price = q + noise, then bargains = uniform [0, 5],
// both drawn from generator in this order with std::uniform_int_distribution.
Appraisal Appraise(float health, std::uint32_t baseValue, std::mt19937& generator);

// Host-facing: a fresh generator seeded from std::random_device, the vehicle's health and model
// baseValue read from the game. A vehicle the game gives no object for appraises at price 0 with
// no bargains. Call only for a vehicle DoesVehicleExist reported as existing.
Appraisal AppraiseVehicle(std::int32_t vehicle);

// Bargaining raises the price only while the player sells (Selling); in every other state it
// lowers what the player pays.
constexpr bool BargainRaises(DealState state) {
    return state == DealState::Selling;
}

// One dealer's offers, one per vehicle handle.
class OfferTable {
  public:
    // Host-facing operations used by the dealer interaction. GetOrCreateOffer gives null when
    // memory for a new offer runs out: no price, nothing appraised.
    VehicleOffer* GetOrCreateOffer(std::int32_t vehicle);
    void PurgeOffers();
    bool BargainOffer(std::int32_t vehicle, DealState state);

    // The stored offer for vehicle, or created: price 0 and no bargains, appraised with
    // appraise(vehicle) -> Appraisal when exists(vehicle) says so, expiry now + 1800. A stored
    // offer is returned as it is, stale or not. Null, with nothing asked, when memory runs out.
    template <class Exists, class Appraiser>
    VehicleOffer* GetOrCreateOffer(std::int32_t vehicle, std::int64_t now, Exists&& exists,
                                   Appraiser&& appraise);

    // Removes, visiting every offer once, those whose vehicle is gone (asked first, once per
    // offer) and then those whose expiry is earlier than now. An expiry equal to now stays.
    template <class Exists> void PurgeOffers(std::int64_t now, Exists&& exists);

    // The offer's Bargain(BargainRaises(state), generator); false without an offer (none made).
    bool BargainOffer(std::int32_t vehicle, DealState state, std::mt19937& generator);

    // The offer for vehicle, or nullptr.
    VehicleOffer* Find(std::int32_t vehicle);

    Buffer<VehicleOffer> entries; // in no order
};

template <class Exists, class Appraiser>
VehicleOffer* OfferTable::GetOrCreateOffer(std::int32_t vehicle, std::int64_t now, Exists&& exists,
                                           Appraiser&& appraise) {
    if (VehicleOffer* stored = Find(vehicle)) return stored;
    if (!entries.MakeRoom()) return nullptr;
    VehicleOffer offer;
    offer.vehicle = vehicle;
    if (exists(vehicle)) {
        const Appraisal appraisal = appraise(vehicle);
        offer.price = appraisal.price;
        offer.bargains_left = appraisal.bargains;
    }
    offer.expiry = now + offer.validity;
    entries.Append(offer);
    return &entries[entries.size() - 1];
}

template <class Exists> void OfferTable::PurgeOffers(std::int64_t now, Exists&& exists) {
    // A removed offer's place takes the last one, not yet visited.
    for (std::size_t i = 0; i < entries.size();) {
        if (!exists(entries[i].vehicle) || entries[i].expiry < now)
            entries.Remove(i);
        else
            ++i;
    }
}
