#pragma once
#include "dealer/config_file.h"
#include "dealer/dealer_list.h"

#include <iosfwd>
#include <string>
#include <vector>

// The data file readers over a std::istream opened in binary mode, for the tests and fuzzers. The
// plugin reads its files with ReadFileBytes and links none of this: iostreams would be most of its
// size.

// Every byte the stream still holds, as it comes.
std::string ReadAllBytes(std::istream& in);

// ConfigFile::Load of the stream's bytes.
void LoadConfig(ConfigFile& config, std::istream& in, std::vector<ConfigLineReport>* report = nullptr);

// ReadDealerList of the stream's bytes.
void ReadDealerList(std::istream& in, Buffer<DealerRecord>& dealers,
                    std::vector<DealerLineReport>* report = nullptr);
