# Pure rules: plain values in, plain values out; no windows.h, no host memory.
# Compiled into the plugin and natively for the unit tests, fuzzers and tools.
set(CORE_SOURCES
  src/runtime/version_number.cpp
  src/script/timed_message.cpp
  src/dealer/interaction/deal_price.cpp
  src/dealer/number_text.cpp
  src/dealer/text_file.cpp
  src/dealer/config_file.cpp
  src/dealer/dealer_list.cpp
  src/dealer/vehicle_offers.cpp
  src/dealer/dealer_module.cpp
)

# The data file readers over std::istream: for the native tests and fuzzers, never in the plugin.
set(STREAM_SOURCES src/dealer/stream_readers.cpp)

# The data checker's rules, without its map and output: also in the native tests and fuzzers.
set(CHECK_SOURCES
  tools/dealers_check/folder_check.cpp
  tools/dealers_check/zone_overlaps.cpp
  tools/dealers_check/pe_version.cpp
  tools/dealers_check/picture.cpp
)

# The host shell: everything that touches the game process. Windows build only.
set(PLUGIN_SOURCES
  src/runtime/host_version.cpp
  src/runtime/host_addresses.cpp
  src/runtime/code_patch.cpp
  src/runtime/game_events.cpp
  src/runtime/event_handlers.S
  src/dealer/interaction/dealer_tick.cpp
  src/script/script_command.cpp
  src/script/script_lookup.S
  src/script/commands.cpp
  src/script/screen_text.cpp
  src/script/host_objects.cpp
  src/dealer/interaction/buying.cpp
  src/dealer/interaction/selling.cpp
  src/dealer/interaction/bargaining.cpp
  src/dealer/interaction/deal_prompt.cpp
  src/dealer/interaction/dealer_ped.cpp
  src/dealer/vehicle_offers_host.cpp
  src/dealer/dealer_module_instance.cpp
)

list(TRANSFORM CORE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../)
list(TRANSFORM CHECK_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../)
list(TRANSFORM STREAM_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../)
list(TRANSFORM PLUGIN_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../)
