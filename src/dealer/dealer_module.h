#pragma once
#include "dealer/deal_state.h"
#include "dealer/dealer_list.h"
#include "script/screen_text.h"

#include <cstdint>

inline constexpr const char* kDealersFileName = "car_dealers/dealers.csv";
inline constexpr const char* kSettingsFileName = "car_dealers/dealers.conf";

// All state of the dealer feature. One instance, g_dealer_module, built by its static
// initialiser at load; the dealer interaction reads and changes the fields directly.
class DealerModule {
  public:
    // Reads car_dealers/dealers.conf and car_dealers/dealers.csv, relative to the process's
    // current directory.
    DealerModule() noexcept;
    // The same from other files (tests, checkers); the names are kept, not copied.
    DealerModule(const char* dealersFileName, const char* settingsFileName) noexcept;
    // current_dealer refers into dealers: a copy would refer into the original.
    DealerModule(const DealerModule&) = delete;
    DealerModule& operator=(const DealerModule&) = delete;

    // Empties dealers, then appends a record per accepted line of dealers_file_name. A line whose
    // number does not convert is skipped; when memory runs out, no dealer is kept.
    void LoadDealers();

    float price_rate_sell = 0.5f;
    float price_rate_buy = 0.8f;
    const char* dealers_file_name;
    const char* settings_file_name;
    Buffer<DealerRecord> dealers;
    DealerRecord* current_dealer = nullptr; // refers to a record of dealers; none when null
    std::int32_t dealer_ped = 0;
    std::int32_t deal_vehicle = 0;
    DealState deal_state = DealState::Idle;
    TimedMessage message; // empty text, expiry 0
    bool active = false;
    std::uint32_t hold_until = 0;
    std::int64_t next_bargain_at = 0;
    std::int64_t cooldown_until = 0;
    std::int32_t bargain_interval = 3;
    std::int32_t cooldown_duration = 5;
    std::int32_t hold_duration = 7;
};

extern DealerModule g_dealer_module;
