// A catalogue database filled in-process with many scripts (by 50 authors), for the figures.
#pragma once

#include <filesystem>
#include <string>

#include "CatalogService.h"
#include "online/Catalog.h"

namespace kivra::test {

// False (with the reply) at the first script the service refuses.
inline bool FillCatalogScripts(const std::filesystem::path& db, int count, std::string& failure) {
  server::TCatalogService service(db.string());
  for (int i = 0; i < count; ++i) {
    TCatalogClient author;
    author.UserName = "Автор " + std::to_string(i % 50);
    author.UserMail = "user" + std::to_string(i % 50) + "@example.org";
    author.ClientKey = "key" + std::to_string(i % 50);
    author.AppName = "Kivra_5x45";
    author.AppVersion = "0.1.0.0";
    TScriptData data;
    data.Title = "Сценарий №" + std::to_string(i);
    data.Description = "Описание сценария номер " + std::to_string(i);
    server::TFields fields;
    for (auto& [name, value] : ParseFormBody(ScriptSaveForm(author, data, "x = 1", false))) fields.emplace(name, value);
    std::string reply;
    if (!service.Handle("scr_putscript.php", fields, 1700000000 + i, reply) ||
        reply.find("<error>") != std::string::npos) {
      failure = reply;
      return false;
    }
  }
  return true;
}

}  // namespace kivra::test
