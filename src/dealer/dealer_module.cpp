#include "dealer/dealer_module.h"

#include "dealer/config_file.h"

DealerModule::DealerModule() noexcept : DealerModule(kDealersFileName, kSettingsFileName) {}

// Steps 1, 3 and 4 of Part 3.3 are the member initialisers (none of them can throw); the file
// names and the reading follow here. The module is built during the library's static
// initialisation inside the game's loader: an exception leaving it would end the game at start,
// so none does. Should memory run out, the feature is left without dealers.
DealerModule::DealerModule(std::string_view dealersFileName, std::string_view settingsFileName) noexcept {
    try {
        dealers_file_name = dealersFileName;
        settings_file_name = settingsFileName;
        ConfigFile settings(settings_file_name);
        settings.Load();
        price_rate_sell = settings.GetFloat("price_rate_sell", price_rate_sell);
        price_rate_buy = settings.GetFloat("price_rate_buy", price_rate_buy);
        LoadDealers();
    } catch (...) {
        dealers.clear();
    }
}

void DealerModule::LoadDealers() {
    dealers.clear();
    ReadDealerListFile(dealers_file_name, dealers);
}
