// The train model file: TOML, with the keys the running-time calculation needs.
#pragma once

#include <string>

#include "timetable/running_time.hpp"

// Reads a model from the text of `file`. False with "FILE:LINE: KEY: what is wrong" in `error`
// when the text is not TOML, a key is missing or of the wrong kind, or the model is inconsistent.
bool read_train_model(const std::string& file, const std::string& text, train_model& m, std::string& error);
