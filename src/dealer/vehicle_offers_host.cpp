// Host shell of the vehicle offers: gathers the game's answers, the clock and the
// random device, and hands them to the pure cores in vehicle_offers.cpp. Windows build only.
#include "dealer/vehicle_offers.h"

#include "runtime/clock.h"
#include "script/commands.h"
#include "script/host_objects.h"

namespace {
std::mt19937 FreshGenerator() {
    std::random_device device;
    return std::mt19937(device());
}
} // namespace

bool VehicleOffer::Bargain(bool raise) {
    std::mt19937 generator = FreshGenerator();
    return Bargain(raise, generator);
}

Appraisal AppraiseVehicle(std::int32_t vehicle) {
    std::mt19937 generator = FreshGenerator();
    const auto fields = ReadVehicleFields(vehicle);
    if (!fields) return Appraisal{}; // no vehicle object: as a vehicle that does not exist
    return Appraise(fields->health, fields->baseValue, generator);
}

VehicleOffer* OfferTable::GetOrCreateOffer(std::int32_t vehicle) {
    return GetOrCreateOffer(vehicle, Now(), DoesVehicleExist, AppraiseVehicle);
}

void OfferTable::PurgeOffers() {
    PurgeOffers(Now(), DoesVehicleExist);
}

bool OfferTable::BargainOffer(std::int32_t vehicle, DealState state) {
    VehicleOffer* offer = Find(vehicle);
    return offer != nullptr && offer->Bargain(BargainRaises(state));
}
