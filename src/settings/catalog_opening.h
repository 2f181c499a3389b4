// Which catalogue the next start opens: the option of the settings page, read by the main
// window when it writes the stored catalogue name at exit.
#ifndef QUORVEL_SETTINGS_CATALOG_OPENING_H_
#define QUORVEL_SETTINGS_CATALOG_OPENING_H_

#include <string>

namespace quorvel {

struct CatalogOpening {
  bool AutoLoadLast = false;   // reopen whatever catalogue is open at exit
  std::string StartupCatalog;  // always open this catalogue (UTF-8 path); empty: not chosen
};

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_CATALOG_OPENING_H_
