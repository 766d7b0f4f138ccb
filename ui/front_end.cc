#include "ui/front_end.h"
