#include "app/download_job.h"
#include "app/shell.h"

int main() {
  using namespace skinwall;
  return RunShell({.click_action = [] {
    RunDownloadJob({.catalogue_url = CatalogueUrl(),
                    .picture_url_prefix = PictureUrlPrefix(),
                    .root = DownloadRoot,
                    .regex = CatalogueRegex.get()});
  }});
}
