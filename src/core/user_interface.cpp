#include "core/user_interface.h"

#include "core/file_names.h"

namespace pektra {

bool UserInterface::ConfirmOverwrite(const std::string& file_name) {
  if (!FileExists(file_name)) return true;
  return AskYesNo(file_name + " already exists.Overwrite?", /*warning=*/true);
}

}  // namespace pektra
