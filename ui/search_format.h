// Texts of the reader search. Platform-free.
#pragma once

#include "texts.h"

// The "reader found" text for the model letter of an EHU/EHM probe reply.
TextKey EhxFoundText(char modelCode);
