#include "preview/OffscreenView.h"
