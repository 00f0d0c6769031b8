#include "core/Config.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <fmt/format.h>
#include <limits>

#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "core/SysFormat.h"
#include "core/UserPort.h"

namespace kivra {

namespace {

constexpr std::string_view Global = "GLOBAL";
constexpr std::string_view Stakes = "STAKES";
constexpr std::string_view Cdl = "CDL";
constexpr std::string_view Shredding = "SHREDDING";
constexpr std::string_view Proxy = "PROXY";

int32_t ReadInt32(const TIniFile& ini, std::string_view section, std::string_view key, int32_t def) {
  const int64_t v = ini.ReadInteger(section, key, def);
  return v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max() ? def
                                                                                            : static_cast<int32_t>(v);
}

long double ReadFloat(const TIniFile& ini, std::string_view section, std::string_view key, long double def) {
  const auto text = ini.Value(section, key);
  long double v;
  return text && TextToFloat(*text, v) ? v : def;
}

TMoney ReadMoney(const TIniFile& ini, std::string_view section, std::string_view key, TMoney def) {
  const auto text = ini.Value(section, key);
  long double v;
  return text && TextToFloat(*text, v) ? MoneyFromFloat(v) : def;
}

std::string ProfitKey(int i, std::string_view what) { return fmt::format("Profit_{}_{}", i, what); }

// Loads the file, lets `change` set its keys and writes it back; failures are reported as the
// configuration write message when a port is given.
template <class Change>
bool RewriteConfig(const std::filesystem::path& path, TUserPort* port, Change change) {
  std::optional<TBusyScope> busy;
  if (port) busy.emplace(*port, "Сохранение файла конфигурации...");
  try {
    TIniFile ini = TIniFile::Load(path);
    change(ini);
    ini.Save(path);
    return true;
  } catch (const std::exception& e) {
    if (port) port->ShowError(fmt::format("Ошибка записи в файл конфигурации!\r\r{}", ErrorText(e)));
    return false;
  }
}

}  // namespace

TMoney MoneyFromFloat(long double value) {
  const long double scaled = std::nearbyintl(value * MoneyScale);
  if (!(scaled > -9.2e18L)) return std::isnan(scaled) ? 0 : std::numeric_limits<TMoney>::min();
  if (scaled > 9.2e18L) return std::numeric_limits<TMoney>::max();
  return static_cast<TMoney>(scaled);
}

long double MoneyToFloat(TMoney value) { return static_cast<long double>(value) / MoneyScale; }

std::array<uint8_t, MaxNumber> ParseSegments(std::string_view text) {
  auto segments = TConfigData::DefaultSegments();
  for (size_t i = 0; i < segments.size() && i < text.size(); ++i)
    if (text[i] >= '0' && text[i] <= '9') segments[i] = static_cast<uint8_t>(text[i] - '0');
  return segments;
}

std::string SegmentsToText(const std::array<uint8_t, MaxNumber>& segments) {
  std::string text;
  for (uint8_t s : segments) text += std::to_string(s);
  return text;
}

void ReadConfiguration(const TIniFile& ini, TConfiguration& config) {
  config.Gen.Mode = ReadInt32(ini, Global, "CombsGenerateMode", 0);
  config.Gen.Parameters = ini.ReadString(Global, "CombsGenerateParameters", "");

  TConfigData& data = config.Data;
  data.MatrixCols = ReadInt32(ini, Global, "MatrixCols", 5);
  data.Segments = ParseSegments(ini.ReadString(Global, "MatrixSegments", ""));
  data.ChannelSize = ReadInt32(ini, Global, "ChannelSize", 5);
  data.Cost = ReadMoney(ini, Stakes, "Cost", 0);
  data.MaxStake = ReadInt32(ini, Stakes, "MaxStake", 12);
  const int32_t profits = std::clamp(ReadInt32(ini, Stakes, "Profits", 0), 0, MaxProfitEntries);
  data.Profits.assign(profits, TProfitItem{});
  for (int i = 0; i < profits; ++i) {
    data.Profits[i].Overlap = ReadInt32(ini, Stakes, ProfitKey(i, "Overlap"), 0);
    data.Profits[i].Profit = ReadMoney(ini, Stakes, ProfitKey(i, "Profit"), 0);
  }
  data.Coefs.Count = ReadFloat(ini, Cdl, "Count", 0);
  data.Coefs.Deviation = ReadFloat(ini, Cdl, "Deviation", -1);
  data.Coefs.Level = ReadFloat(ini, Cdl, "Level", 1);
  data.Coefs.UsePercents = ini.ReadInteger(Cdl, "UsePercents", 0) > 0;
  data.Coefs.UseAbsValues = ini.ReadInteger(Cdl, "UseAbsValues", 0) > 0;

  const TShreddingConfig defaults;
  for (int i = 0; i < 3; ++i) {
    config.Shredding.Formulas[i] = ini.ReadString(Shredding, fmt::format("Formula{}", i + 1), defaults.Formulas[i]);
    config.Shredding.Digits[i] = ReadInt32(ini, Shredding, fmt::format("Formula{}Digits", i + 1), defaults.Digits[i]);
  }

  TProxyConfig& proxy = config.Proxy;
  proxy.Server = ini.ReadString(Proxy, "ProxyServer", "");
  proxy.Mode = ReadInt32(ini, Proxy, "ProxyMode", proxy.Server.empty() ? 0 : 2);
  proxy.Port = ReadInt32(ini, Proxy, "ProxyPort", 80);
  proxy.Username = ini.ReadString(Proxy, "ProxyUsername", "");
  proxy.Password = ini.ReadString(Proxy, "ProxyPassword", "");
}

void ConfigLoad(const std::filesystem::path& path, TConfiguration& config, TUserPort& port) {
  TBusyScope busy(port, "Загрузка файла конфигурации...");
  try {
    ReadConfiguration(TIniFile::Load(path), config);
  } catch (const std::exception& e) {
    port.ShowError(fmt::format("Ошибка чтения файла конфигурации!\r\r{}", ErrorText(e)));
  }
}

bool ConfigSave(const std::filesystem::path& path, const TConfigData& data, TUserPort& port) {
  return RewriteConfig(path, &port, [&](TIniFile& ini) {
    ini.WriteInteger(Global, "MatrixCols", data.MatrixCols);
    ini.WriteString(Global, "MatrixSegments", SegmentsToText(data.Segments));
    ini.WriteInteger(Global, "ChannelSize", data.ChannelSize);
    ini.WriteString(Stakes, "Cost", FloatToText(MoneyToFloat(data.Cost)));
    ini.WriteInteger(Stakes, "MaxStake", data.MaxStake);
    ini.WriteInteger(Stakes, "Profits", static_cast<int64_t>(data.Profits.size()));
    for (size_t i = 0; i < data.Profits.size(); ++i) {
      ini.WriteInteger(Stakes, ProfitKey(static_cast<int>(i), "Overlap"), data.Profits[i].Overlap);
      ini.WriteString(Stakes, ProfitKey(static_cast<int>(i), "Profit"),
                      FloatToText(MoneyToFloat(data.Profits[i].Profit)));
    }
    ini.WriteString(Cdl, "Count", FloatToText(data.Coefs.Count));
    ini.WriteString(Cdl, "Deviation", FloatToText(data.Coefs.Deviation));
    ini.WriteString(Cdl, "Level", FloatToText(data.Coefs.Level));
    ini.WriteBool(Cdl, "UsePercents", data.Coefs.UsePercents);
    ini.WriteBool(Cdl, "UseAbsValues", data.Coefs.UseAbsValues);
  });
}

bool WriteFirstConfig(const std::filesystem::path& path, const TConfigData& data, TUserPort& port) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) || ec) return false;
  if (!ConfigSave(path, data, port)) return false;
  return RewriteConfig(path, &port, [](TIniFile& ini) {
    ini.WriteString("DOWNLOAD", "ResultsUrl", "");
    ini.WriteString("ONLINE", "CatalogUrl", "");
    ini.WriteString("ONLINE", "UpdateUrl", "");
  });
}

bool SaveShreddingConfig(const std::filesystem::path& path, const TShreddingConfig& shredding, TUserPort& port) {
  return RewriteConfig(path, &port, [&](TIniFile& ini) {
    for (int i = 0; i < 3; ++i) {
      ini.WriteString(Shredding, fmt::format("Formula{}", i + 1), shredding.Formulas[i]);
      ini.WriteInteger(Shredding, fmt::format("Formula{}Digits", i + 1), shredding.Digits[i]);
    }
  });
}

bool SaveGenDefaults(const std::filesystem::path& path, const TGenDefaults& gen) {
  return RewriteConfig(path, nullptr, [&](TIniFile& ini) {
    ini.WriteInteger(Global, "CombsGenerateMode", gen.Mode);
    ini.WriteString(Global, "CombsGenerateParameters", gen.Parameters);
  });
}

bool SaveProxyConfig(const std::filesystem::path& path, const TProxyConfig& proxy, TUserPort& port) {
  return RewriteConfig(path, &port, [&](TIniFile& ini) {
    ini.WriteInteger(Proxy, "ProxyMode", proxy.Mode);
    ini.WriteString(Proxy, "ProxyServer", proxy.Server);
    ini.WriteInteger(Proxy, "ProxyPort", proxy.Port);
    ini.WriteString(Proxy, "ProxyUsername", proxy.Username);
    ini.WriteString(Proxy, "ProxyPassword", proxy.Password);
  });
}

std::vector<std::string> ConfigurationLines(const TConfiguration& config) {
  std::vector<std::string> lines;
  auto add = [&](std::string_view section, std::string_view key, const std::string& value) {
    lines.push_back(fmt::format("{}.{}={}", section, key, value));
  };
  const TConfigData& d = config.Data;
  add(Global, "MatrixCols", std::to_string(d.MatrixCols));
  add(Global, "MatrixSegments", SegmentsToText(d.Segments));
  add(Global, "ChannelSize", std::to_string(d.ChannelSize));
  add(Global, "CombsGenerateMode", std::to_string(config.Gen.Mode));
  add(Global, "CombsGenerateParameters", config.Gen.Parameters);
  add(Stakes, "Cost", FloatToText(MoneyToFloat(d.Cost)));
  add(Stakes, "MaxStake", std::to_string(d.MaxStake));
  add(Stakes, "Profits", std::to_string(d.Profits.size()));
  for (size_t i = 0; i < d.Profits.size(); ++i) {
    add(Stakes, ProfitKey(static_cast<int>(i), "Overlap"), std::to_string(d.Profits[i].Overlap));
    add(Stakes, ProfitKey(static_cast<int>(i), "Profit"), FloatToText(MoneyToFloat(d.Profits[i].Profit)));
  }
  add(Cdl, "Count", FloatToText(d.Coefs.Count));
  add(Cdl, "Deviation", FloatToText(d.Coefs.Deviation));
  add(Cdl, "Level", FloatToText(d.Coefs.Level));
  add(Cdl, "UsePercents", d.Coefs.UsePercents ? "1" : "0");
  add(Cdl, "UseAbsValues", d.Coefs.UseAbsValues ? "1" : "0");
  for (int i = 0; i < 3; ++i) add(Shredding, fmt::format("Formula{}", i + 1), config.Shredding.Formulas[i]);
  for (int i = 0; i < 3; ++i)
    add(Shredding, fmt::format("Formula{}Digits", i + 1), std::to_string(config.Shredding.Digits[i]));
  add(Proxy, "ProxyMode", std::to_string(config.Proxy.Mode));
  add(Proxy, "ProxyServer", config.Proxy.Server);
  add(Proxy, "ProxyPort", std::to_string(config.Proxy.Port));
  add(Proxy, "ProxyUsername", config.Proxy.Username);
  add(Proxy, "ProxyPassword", config.Proxy.Password);
  return lines;
}

}  // namespace kivra
