#include "compass/globals.h"

namespace compass {

float val = 0.0f;
int sw = 0;

}  // namespace compass
