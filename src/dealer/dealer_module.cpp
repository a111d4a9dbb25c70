#include "dealer/dealer_module.h"

#include "dealer/config_file.h"

DealerModule::DealerModule() noexcept : DealerModule(kDealersFileName, kSettingsFileName) {}

// The defaults are the member initialisers. The module is built during the library's static
// initialisation inside the game's loader, where nothing may throw: should memory run out, a file
// reads as missing (default rates, or no dealers).
DealerModule::DealerModule(const char* dealersFileName, const char* settingsFileName) noexcept
    : dealers_file_name(dealersFileName), settings_file_name(settingsFileName) {
    ConfigFile settings(settings_file_name);
    settings.Load();
    price_rate_sell = settings.GetFloat("price_rate_sell", price_rate_sell);
    price_rate_buy = settings.GetFloat("price_rate_buy", price_rate_buy);
    LoadDealers();
}

void DealerModule::LoadDealers() {
    // A list the memory left does not hold adds no dealer at all.
    dealers = Buffer<DealerRecord>();
    ReadDealerListFile(dealers_file_name, dealers);
}
