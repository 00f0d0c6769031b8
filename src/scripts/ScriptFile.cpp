#include "scripts/ScriptFile.h"

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "core/TextCodec.h"
#include "core/UserPort.h"

namespace kivra {

std::vector<std::string> ScriptLinesFromBytes(std::string_view bytes) {
  std::vector<std::string> lines;
  const std::string text = Cp1251ToUtf8(bytes);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.emplace_back(text, start);
      break;
    }
    lines.emplace_back(text, start, end - start);
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::string ScriptBytesFromLines(std::span<const std::string> lines) {
  size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const std::string& line : lines) {
    const size_t at = bytes.size();
    bytes += Utf8ToCp1251(line);
    for (size_t i = at; i < bytes.size(); ++i)
      if (bytes[i] == '\r' || bytes[i] == '\n') bytes[i] = ' ';
    bytes += "\r\n";
  }
  return bytes;
}

bool LoadScriptFile(const std::filesystem::path& file, std::vector<std::string>& lines, TUserPort& port) {
  port.ShowProgress(SysFormat("Загрузка файла \"%s\"...", {file.string()}));
  bool ok = true;
  try {
    lines = ScriptLinesFromBytes(ReadWholeFile(file));
  } catch (const TFileError& e) {
    ok = false;
    port.ShowProgress("");
    port.ShowError(SysFormat("Ошибка чтения файла \"%s\"!\r\r%s", {file.string(), std::string(ErrorText(e))}));
  }
  port.ShowProgress("");
  return ok;
}

bool SaveScriptFile(const std::filesystem::path& file, std::span<const std::string> lines, TUserPort& port) {
  port.ShowProgress(SysFormat("Сохранение файла \"%s\"...", {file.string()}));
  bool ok = true;
  try {
    WriteFileAtomic(file, ScriptBytesFromLines(lines));
  } catch (const TFileError& e) {
    ok = false;
    port.ShowProgress("");
    port.ShowError(SysFormat("Ошибка записи в файл \"%s\"!\r\r%s", {file.string(), std::string(ErrorText(e))}));
  }
  port.ShowProgress("");
  return ok;
}

}  // namespace kivra
