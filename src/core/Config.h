// The configuration file Kivra_5x45.ini: the settings that change what the analysis computes.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/SortaUtils.h"

namespace kivra {

class TIniFile;
class TUserPort;

// Money: signed 64-bit fixed point in units of 1/10000.
using TMoney = int64_t;
constexpr TMoney MoneyScale = 10000;
TMoney MoneyFromFloat(long double value);  // times 10000, rounded (halves to even)
long double MoneyToFloat(TMoney value);

struct TProfitItem {
  // The match count the entry pays for, kept as read: a value outside 0..255 pays for nothing
  // (it is not cut to a byte, which would make it pay for another count).
  int32_t Overlap = 0;
  TMoney Profit = 0;
  bool operator==(const TProfitItem&) const = default;
};

// Weight coefficients of the statistics table.
struct TCDLCoefs {
  long double Count = 0;
  long double Deviation = -1;
  long double Level = 1;
  bool UsePercents = false;
  bool UseAbsValues = false;
  bool operator==(const TCDLCoefs&) const = default;
};

struct TConfigData {
  int32_t MatrixCols = 5;
  int32_t ChannelSize = 5;
  TMoney Cost = 0;
  int32_t MaxStake = 12;
  std::vector<TProfitItem> Profits;
  TCDLCoefs Coefs;
  std::array<uint8_t, MaxNumber> Segments = DefaultSegments();  // segment of each number 1..45

  static constexpr std::array<uint8_t, MaxNumber> DefaultSegments() {
    std::array<uint8_t, MaxNumber> s{};
    s.fill(1);
    return s;
  }
  bool operator==(const TConfigData&) const = default;
};

struct TShreddingConfig {
  std::array<std::string, 3> Formulas = {"(n1+n2+n3)/(n4+n5)", "(n4+n5)/(n1+n2+n3)", "(n1+n2)/(n3+n4+n5)"};
  std::array<int32_t, 3> Digits = {2, 2, 2};
  bool operator==(const TShreddingConfig&) const = default;
};

struct TGenDefaults {
  int32_t Mode = 0;        // generation mode 0..4
  std::string Parameters;  // the parameter text
  bool operator==(const TGenDefaults&) const = default;
};

struct TProxyConfig {
  int32_t Mode = 0;  // 0 none, 1 automatic, 2 the server below
  std::string Server;
  int32_t Port = 80;
  std::string Username;
  std::string Password;
  bool operator==(const TProxyConfig&) const = default;
};

// Everything the configuration file holds.
struct TConfiguration {
  TConfigData Data;
  TShreddingConfig Shredding;
  TGenDefaults Gen;
  TProxyConfig Proxy;
  bool operator==(const TConfiguration&) const = default;
};

// Largest prize table read from a file (a hostile count must not allocate without bound).
constexpr int32_t MaxProfitEntries = 256;

// "MatrixSegments": position i is the digit of number i + 1; a short text or a non-digit gives 1.
std::array<uint8_t, MaxNumber> ParseSegments(std::string_view text);
std::string SegmentsToText(const std::array<uint8_t, MaxNumber>& segments);

// Reads every key from an INI object (the reading rules without the file around them).
void ReadConfiguration(const TIniFile& ini, TConfiguration& config);

// Loads the file (a missing file gives all defaults). Failures show the program's message; values
// not yet read stay as they were.
void ConfigLoad(const std::filesystem::path& path, TConfiguration& config, TUserPort& port);

// Writers: each writes only its own keys and keeps every other key of the file. The first three
// show progress and report failures through the port; the generation defaults writer is silent.
bool ConfigSave(const std::filesystem::path& path, const TConfigData& data, TUserPort& port);
// When the file does not exist yet: writes it with the configuration's keys and, empty, the
// addresses the program's messages point to ([DOWNLOAD] ResultsUrl, [ONLINE] CatalogUrl and
// UpdateUrl), so that the file they name exists and shows where each setting goes. False when the
// file was there already or could not be written (the port told).
bool WriteFirstConfig(const std::filesystem::path& path, const TConfigData& data, TUserPort& port);
bool SaveShreddingConfig(const std::filesystem::path& path, const TShreddingConfig& shredding, TUserPort& port);
bool SaveGenDefaults(const std::filesystem::path& path, const TGenDefaults& gen);
bool SaveProxyConfig(const std::filesystem::path& path, const TProxyConfig& proxy, TUserPort& port);

// The effective configuration as "SECTION.Key=value" lines, in file order.
std::vector<std::string> ConfigurationLines(const TConfiguration& config);

}  // namespace kivra
