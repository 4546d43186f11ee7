#include "model/peak_model.h"
namespace pektra {
TPeakModel::TPeakModel() {}
}
