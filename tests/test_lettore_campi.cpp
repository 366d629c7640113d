#include <gtest/gtest.h>

#include "line/lettore_campi.hpp"
