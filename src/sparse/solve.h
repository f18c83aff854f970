// The direct solve of one Newton step: profile copy (expand.cpp), Crout
// factorisation (factor.cpp), substitution (substitute.cpp), all declared
// with the rest of the sparse interface in matrix.h. Including this header
// is the same as including matrix.h.
#pragma once

#include "sparse/matrix.h"
