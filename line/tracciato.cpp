#include "line/tracciato.hpp"
