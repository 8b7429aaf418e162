#include "macros/MacroStore.h"
