#include "platform/front_end.h"
