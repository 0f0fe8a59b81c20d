#include "app/download_job.h"

#include "app/hosts.h"
#include "app/plain_name.h"
#include "regex/regex_object.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/source_text.h"
#include "runtime/text_primitives.h"
#include "runtime/walking.h"
#include "text/code_page.h"
#include "web/web_request.h"

namespace skinwall {

const Text& CatalogueUrl() {
  static const Text url = TextFromUtf8("http://" SKINWALL_WEB_HOST "/web201605/js/herolist.json");
  return url;
}

const Text& PictureUrlPrefix() {
  static const Text prefix = TextFromUtf8("http://" SKINWALL_IMAGE_HOST "/images/mhvo/img201606/skin/hero-info/");
  return prefix;
}

const Text& CataloguePattern() {
  static const Text pattern = TextFromUtf8(
      R"pattern("ename":(.*?),"cname":"(.*?)","title":"(.*?)",.*?,"hero_type":(.*?),.*?"skin_name":"(.*?)"})pattern");
  return pattern;
}

namespace {

struct Captions {
  Text window = TextFromUtf8("窗口");
  Text button = TextFromUtf8("按钮1");
  Text running = TextFromUtf8("下载中...");
  Text finished = TextFromUtf8("下载完毕");
};

const Captions& Caption() {
  static const Captions captions;
  return captions;
}

// A GET with the default headers; the body only when the server answered 2xx with one.
ByteSet FetchPicture(const Text& url) {
  WebRequestOptions options{.Method = 0};
  ByteSet body = WebRequest(url, options);
  if (options.StatusCode < 200 || options.StatusCode > 299) return ByteSet();
  return body;
}

// A name in folder that no entry has, for the picture while it is written.
Text FreeTemporaryName(const Text& folder) {
  for (int32_t n = 1;; ++n) {
    Text candidate = JoinTexts(folder, Text("\\.skinwall-"), IntegerToText(n), Text(".part"));
    if (!FileExists(candidate)) return candidate;
  }
}

// Writes the whole picture under a temporary name and renames it into place;
// leaves nothing behind when any step fails.
void StorePicture(const Text& folder, const Text& path, const ByteSet& body) {
  const Text temporary = FreeTemporaryName(folder);
  if (!WriteBytesToFile(temporary, body) || !RenameToNewName(temporary, path)) DeleteFileAt(temporary);
}

}  // namespace

void RunDownloadJob(const DownloadJobSettings& settings) {
  const Captions& caption = Caption();
  SetCaption(caption.window, caption.button, caption.running);

  WebRequestOptions catalogue_options{.Method = 0};
  const Text catalogue = Utf8ToAnsi(BytesToText(WebRequest(settings.catalogue_url, catalogue_options)));

  RegexObject& regex = *settings.regex;
  regex.Create(CataloguePattern(), catalogue);
  if (regex.MatchCount() > 0) {
    const int32_t heroes = regex.MatchCount();
    for (int32_t i = 1; i <= heroes; ++i) {
      const Text identifier = regex.SubmatchText(i, 1);
      const Text name = regex.SubmatchText(i, 2);
      const TextArray skins = SplitText(regex.SubmatchText(i, 5), Text("|"));
      if (IsPlainName(name)) {
        const Text folder = JoinTexts(settings.root, name);
        if (!IsDirectory(folder)) MakeDirectory(folder);
        const int32_t count = ElementCount(skins);
        for (int32_t j = 1; j <= count; ++j) {
          const Text& skin = skins.At(j);
          if (!IsPlainName(skin)) continue;
          const Text url = JoinTexts(settings.picture_url_prefix, identifier, Text("/"), identifier,
                                     Text("-bigskin-"), IntegerToText(j), Text(".jpg"));
          const ByteSet body = FetchPicture(url);
          const Text path = JoinTexts(settings.root, name, Text("\\"), skin, Text(".jpg"));
          if (!body.empty() && !FileExists(path)) StorePicture(folder, path, body);
          ProcessEvents();
        }
      }
      ProcessEvents();
    }
  }

  SetCaption(caption.window, caption.button, caption.finished);
}

}  // namespace skinwall
