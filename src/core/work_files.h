// The work folder and the names of the files the commands read and write by default, with the
// spectrum name list.
#pragma once

#include <string>
#include <vector>

namespace pektra {

struct WorkFiles {
  std::string work_dir;  // the current folder at start
  std::string ini_path;  // work_dir + "/pektra.ini"
  std::string enc_file = "enc.dat", efc_file = "efc.dat";
  std::string mark_file = "mark.dat";
  std::string name_list_file = "spfn.tab";
  int name_count = 0;
  std::vector<std::string> name_list;  // up to 200 names

  bool operator==(const WorkFiles&) const = default;
};

}  // namespace pektra
