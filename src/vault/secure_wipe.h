// Overwrites secrets before their memory is given back.
#pragma once

#include <cstddef>
#include <string>

// Zeroes n bytes in a way the optimiser may not remove.
void SecureWipe(void* data, std::size_t n);

// Zeroes the string's whole buffer (capacity, not only size) and empties it.
void SecureWipe(std::string& text);
