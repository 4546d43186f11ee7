// The Qt tests run inside one application object that lives on main's stack, so that it goes
// before the static objects of the libraries at exit.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  // Off screen unless told otherwise: also when the tests are only listed.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The window's settings (the recent spectra) go to a folder of this run, not the user's.
  char config[] = "/tmp/pektra-qt-tests-XXXXXX";
  if (mkdtemp(config) != nullptr) setenv("XDG_CONFIG_HOME", config, 1);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
