// The marker of the texts the user reads, for the extraction of the translation catalogue.
#pragma once

// Marks a source text where it is defined; the text itself stays as it is.
#define N_(text) text
