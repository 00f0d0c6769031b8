// Sets TZ for the life of the object and restores it after.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kivra::test {

class TTimeZone {
 public:
  explicit TTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TTimeZone() {
    if (old_) setenv("TZ", old_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  TTimeZone(const TTimeZone&) = delete;
  TTimeZone& operator=(const TTimeZone&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace kivra::test
