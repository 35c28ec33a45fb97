#include "platform/pictures/picture.h"

#include <gtest/gtest.h>
