#include "online/Catalog.h"

#include "online/Http.h"

namespace kivra {

namespace {

constexpr int32_t CombLength = 5;

bool SameMail(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void AddClientFields(TFormBody& form, const TCatalogClient& client, int32_t lcid) {
  form.Add("cl_name", CEscape(client.UserName))
      .Add("cl_mail", CEscape(client.UserMail))
      .Add("cl_lcid", lcid)
      .Add("cl_key", client.ClientKey)
      .Add("cl_app", client.AppName)
      .Add("cl_ver", client.AppVersion)
      .Add("cl_guid", client.AppGuid);
}

TDateTime ReplyTime(const TReplyRow& row, std::string_view tag) {
  return UnixToLocalDateTime(ParseUtcTime(Trim(row.Raw(tag))));
}

bool ReplyBase64(const TReplyRow& row, std::string_view tag, std::string& text, std::string& error) {
  if (row.Base64(tag, text)) return true;
  error = "Неверные данные в поле <" + std::string(tag) + "> ответа сервера";
  return false;
}

template <class T>
TCatalogResult<T> Failed(std::string error) {
  TCatalogResult<T> result;
  result.Error = std::move(error);
  return result;
}

// The first non-empty Base64 text of `tag` among the reply's rows; an invalid one fails.
TCatalogResult<std::string> FirstBase64Text(const TCatalogReply& reply, std::string_view tag) {
  if (!reply.Ok) return Failed<std::string>(reply.Error);
  TCatalogResult<std::string> result;
  for (const TReplyRow& row : reply.Rows) {
    std::string error;
    if (!ReplyBase64(row, tag, result.Value, error)) return Failed<std::string>(error);
    if (!result.Value.empty()) break;
  }
  result.Ok = true;
  return result;
}

}  // namespace

std::string SystemsListForm(const TCatalogClient& client) {
  TFormBody form;
  form.Add("comblen", CombLength).Add("maxnums", MaxNumber);
  AddClientFields(form, client, client.Lcid);
  return form.Text();
}

std::string SystemDataForm(int32_t id) { return TFormBody().Add("sys_id", id).Text(); }

std::string SystemSaveForm(const TCatalogClient& client, const TSystemData& data, bool remove) {
  TFormBody form;
  form.Add("del_mode", remove ? 1 : 0)
      .Add("sys_id", data.Id)
      .Add("nums", data.Nums)
      .Add("clen", CombLength)
      .Add("olap", data.Block)
      .Add("title", CEscape(data.Title))
      .Add("descr", CEscape(data.Description))
      .Add("csize", data.Count)
      .Add("clist", remove ? std::string() : Base64Encode(CEscape(data.Content)))
      .Add("url", data.Url);
  AddClientFields(form, client, client.Lcid);
  return form.Text();
}

std::string ScriptsListForm(const TCatalogClient& client, int32_t filterId) {
  TFormBody form;
  form.Add("fltid", filterId);
  AddClientFields(form, client, client.Lcid);
  return form.Text();
}

// The client fields go along so that the server shows the user's own private script.
std::string ScriptDataForm(const TCatalogClient& client, int32_t id) {
  TFormBody form;
  form.Add("scr_id", id);
  AddClientFields(form, client, client.Lcid);
  return form.Text();
}

std::string ScriptRateForm(const TCatalogClient& client, int32_t id, int32_t value, std::string_view notes) {
  TFormBody form;
  form.Add("scr_id", id).Add("rate_value", value).Add("rate_notes", CEscape(notes));
  AddClientFields(form, client, client.Lcid);
  return form.Text();
}

std::string ScriptTitleForm(int32_t id, std::string_view title) {
  return TFormBody().Add("scr_id", id).Add("scr_title", CEscape(title)).Text();
}

std::string ScriptSaveForm(const TCatalogClient& client, const TScriptData& data, std::string_view text, bool remove) {
  TFormBody form;
  form.Add("del_mode", remove ? 1 : 0)
      .Add("scr_id", data.Id)
      .Add("scr_uniapps", data.Universal ? 1 : 0)
      .Add("scr_publics", data.Public ? 1 : 0)
      .Add("scr_title", CEscape(data.Title))
      .Add("scr_descr", CEscape(data.Description));
  if (!remove) form.Add("scr_script", CEscape(text));
  AddClientFields(form, client, data.Language);
  return form.Text();
}

std::string ScriptRatesForm(const TCatalogClient& client, int32_t id) {
  TFormBody form;
  form.Add("scr_id", id);
  AddClientFields(form, client, client.Lcid);
  return form.Text();
}

bool ReadSystemRow(const TReplyRow& row, TSystemInfo& info, std::string& error) {
  info = TSystemInfo();
  const int32_t nums = row.Int("nums");
  if (nums < 6 || nums > MaxNumber) return false;
  info.Id = row.Int("id", -1);
  info.Nums = static_cast<uint8_t>(nums);
  const int32_t block = row.Int("olap");
  info.Block = static_cast<uint8_t>(block >= 0 && block <= 255 ? block : 0);
  info.Count = row.Int("csize");
  if (!ReplyBase64(row, "title", info.Title, error) || !ReplyBase64(row, "descr", info.Description, error))
    return false;
  info.Author = row.Text("author");
  info.AuthorMail = row.Text("cl_mail");
  info.Url = row.Text("url");
  info.Created = ReplyTime(row, "created");
  info.LastDownload = ReplyTime(row, "last_download");
  info.Downloads = row.Int("downloads");
  return true;
}

bool ReadScriptRow(const TReplyRow& row, const TCatalogClient& client, TScriptInfo& info, std::string& error) {
  info = TScriptInfo();
  info.Id = row.Int("id", -1);
  info.AppName = row.Text("app_name");
  info.AppVersion = row.Text("app_ver");
  info.Author = row.Text("key_cl_name");
  info.AuthorMail = row.Text("key_cl_mail");
  info.Language = row.Int("key_cl_lcid");
  info.Universal = row.Int("uniapps") > 0;
  info.Public = row.Int("publics") > 0;
  info.Created = ReplyTime(row, "created");
  info.LastDownload = ReplyTime(row, "last_download");
  info.RatingAvg = row.Float("rating_avg");
  info.RatingCount = row.Int("rating_cnt");
  info.YourRating = row.Int("rating_you");
  info.Downloads = row.Int("downloads");
  if (!ReplyBase64(row, "title", info.Title, error) || !ReplyBase64(row, "descr", info.Description, error))
    return false;
  info.Own = !client.UserMail.empty() && SameMail(info.AuthorMail, client.UserMail);
  info.Downloadable = info.Universal || SameMail(std::string(Trim(row.Text("app_guid"))), client.AppGuid);
  info.Editable = info.Own && info.Downloadable;
  return true;
}

TScriptRate ReadRateRow(const TReplyRow& row) {
  TScriptRate rate;
  rate.Name = row.Text("key_cl_name");
  rate.Rate = row.Int("rate");
  rate.Created = ReplyTime(row, "created");
  rate.AppName = row.Text("app_name");
  rate.AppVersion = row.Text("app_ver");
  rate.Notes = row.Text("notes");
  return rate;
}

std::vector<std::string> SplitScriptText(std::string_view text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinScriptLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

std::string CatalogUrl(const TCatalogClient& client, std::string_view name) {
  std::string url = client.BaseUrl;
  while (!url.empty() && url.back() == '/') url.pop_back();
  url += "/scripts/";
  url += name;
  return url;
}

TCatalogReply CatalogRequest(const TCatalogClient& client, std::string_view name, const std::string& form) {
  THttpOptions options;
  options.UserAgent = client.AppName + "/" + client.AppVersion;
  options.MaxBytes = MaxCatalogBytes;
  options.Proxy = client.Proxy;
  options.CaFile = client.CaFile;
  const THttpResult http =
      HttpPost(CatalogUrl(client, name), form, "application/x-www-form-urlencoded; charset=UTF-8", options);
  if (!http.Ok) {
    TCatalogReply reply;
    reply.Error = http.Error;
    return reply;
  }
  return ReadCatalogReply(http.Body);
}

TCatalogResult<std::vector<TSystemInfo>> LoadSystemsList(const TCatalogClient& client) {
  const TCatalogReply reply = CatalogRequest(client, "sys_getlist.php", SystemsListForm(client));
  if (!reply.Ok) return Failed<std::vector<TSystemInfo>>(reply.Error);
  TCatalogResult<std::vector<TSystemInfo>> result;
  for (const TReplyRow& row : reply.Rows) {
    TSystemInfo info;
    std::string error;
    if (ReadSystemRow(row, info, error)) result.Value.push_back(std::move(info));
    else if (!error.empty()) return Failed<std::vector<TSystemInfo>>(error);
  }
  result.Ok = true;
  return result;
}

TCatalogResult<std::string> LoadSystemContent(const TCatalogClient& client, int32_t id) {
  return FirstBase64Text(CatalogRequest(client, "sys_getdata.php", SystemDataForm(id)), "clist");
}

TCatalogResult<int32_t> SaveSystem(const TCatalogClient& client, const TSystemData& data, bool remove) {
  const TCatalogReply reply = CatalogRequest(client, "sys_putdata.php", SystemSaveForm(client, data, remove));
  if (!reply.Ok) return Failed<int32_t>(reply.Error);
  TCatalogResult<int32_t> result{true, {}, -1};
  for (const TReplyRow& row : reply.Rows) {
    if (const int32_t id = row.Int("id_systems", -1); id >= 0) {
      result.Value = id;
      break;
    }
  }
  return result;
}

TCatalogResult<std::vector<TScriptInfo>> LoadScriptsList(const TCatalogClient& client, int32_t filterId) {
  const TCatalogReply reply = CatalogRequest(client, "scr_getlist.php", ScriptsListForm(client, filterId));
  if (!reply.Ok) return Failed<std::vector<TScriptInfo>>(reply.Error);
  TCatalogResult<std::vector<TScriptInfo>> result;
  result.Value.reserve(reply.Rows.size());
  for (const TReplyRow& row : reply.Rows) {
    TScriptInfo info;
    std::string error;
    if (!ReadScriptRow(row, client, info, error)) return Failed<std::vector<TScriptInfo>>(error);
    result.Value.push_back(std::move(info));
  }
  result.Ok = true;
  return result;
}

TCatalogResult<std::string> LoadScriptText(const TCatalogClient& client, int32_t id) {
  return FirstBase64Text(CatalogRequest(client, "scr_getdata.php", ScriptDataForm(client, id)), "script");
}

TCatalogResult<int32_t> RateScript(const TCatalogClient& client, int32_t id, int32_t value, std::string_view notes) {
  const TCatalogReply reply = CatalogRequest(client, "scr_setrate.php", ScriptRateForm(client, id, value, notes));
  if (!reply.Ok) return Failed<int32_t>(reply.Error);
  const int32_t code = reply.Rows.empty() ? -1 : reply.Rows.front().Int("res_code", -1);
  if (code < 0) return Failed<int32_t>("Код возврата: " + std::to_string(code));
  return {true, {}, code};
}

TCatalogResult<bool> CheckScriptTitle(const TCatalogClient& client, int32_t id, std::string_view title) {
  const TCatalogReply reply = CatalogRequest(client, "scr_chktitle.php", ScriptTitleForm(id, title));
  if (!reply.Ok) return Failed<bool>(reply.Error);
  if (reply.Rows.empty()) return Failed<bool>("Пустой ответ сервера");
  return {true, {}, reply.Rows.front().Int("ret_code", -1) == 0};
}

TCatalogResult<int32_t> SaveScript(const TCatalogClient& client, const TScriptData& data,
                                   const std::vector<std::string>& lines, bool remove) {
  const TCatalogReply reply =
      CatalogRequest(client, "scr_putscript.php", ScriptSaveForm(client, data, JoinScriptLines(lines), remove));
  if (!reply.Ok) return Failed<int32_t>(reply.Error);
  return {true, {}, reply.Rows.empty() ? -1 : reply.Rows.front().Int("id_scripts", -1)};
}

TCatalogResult<std::vector<TScriptRate>> LoadScriptRates(const TCatalogClient& client, int32_t id) {
  const TCatalogReply reply = CatalogRequest(client, "scr_getrates.php", ScriptRatesForm(client, id));
  if (!reply.Ok) return Failed<std::vector<TScriptRate>>(reply.Error);
  TCatalogResult<std::vector<TScriptRate>> result;
  for (const TReplyRow& row : reply.Rows) result.Value.push_back(ReadRateRow(row));
  result.Ok = true;
  return result;
}

}  // namespace kivra
