// The button's work: fetch the hero catalogue, take every hero's identifier,
// Chinese name and skin names out of it, make one folder per hero under the
// download root and fetch the wallpaper of every skin into it.
//
// The caption of "按钮1" shows "下载中..." while a run goes on and "下载完毕"
// at its end; pending window events are processed after every picture and
// every hero, so a click can start a nested run. Without a window runtime
// (tests, benchmarks) those calls do nothing.
//
// What the job keeps on disk is only ever a whole picture: a picture is
// written when its request answered 2xx with a body, through a temporary
// file renamed into place, never over an existing name; names from the
// catalogue that are not plain names are skipped.
#pragma once

#include "runtime/text.h"

namespace skinwall {

class RegexObject;

// The catalogue's address and the prefix of every picture's address, on the
// web and image hosts fixed when the program is built.
const Text& CatalogueUrl();
const Text& PictureUrlPrefix();
// The pattern that takes a hero out of the catalogue: group 1 the
// identifier, 2 the Chinese name, 5 the skin names separated by "|".
const Text& CataloguePattern();

struct DownloadJobSettings {
  Text catalogue_url;
  Text picture_url_prefix;
  Text root;            // ends in "\"
  RegexObject* regex;   // shared by every run
};

void RunDownloadJob(const DownloadJobSettings& settings);

}  // namespace skinwall
