// The compress request reads the path field afresh for every use. Under
// memory pressure one of those reads can come back empty (the field's text
// could not be copied): whichever read it is, the request must not measure,
// pack or report anything but the path it checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/compression_request.h"
#include "runtime/text/raw_bytes.h"
#include "tests/support/expected_texts.h"
#include "tests/support/utf8.h"

namespace {

const char kPath[] = "C:\\work\\app.exe";

struct Script {
  int failingRead;   // 1-based read that comes back empty (or null)
  bool null;
  int reads = 0;
  bool packerShrinks;
  std::vector<std::string> measured, runs, captions, texts;
};
Script* script;

PathText ReadPath(void*) {
  ++script->reads;
  if (script->reads == script->failingRead) return script->null ? PathText(nullptr) : RawPath("");
  return RawPath(kPath);
}
LONG ReadLevel(void*) { return 9; }

int64_t Size(PathText given) {
  const char* path = given.Ansi();
  script->measured.push_back(path ? path : "(no exact view)");
  if (lstrcmpA(script->measured.back().c_str(), kPath)) return -1;  // nothing else exists
  return !script->runs.empty() && script->packerShrinks ? 450 : 900;
}
intptr_t StartPacker(PathText, ProgramParameters parameters, PathText, ProgramEnd*) {
  script->runs.push_back(parameters.Bytes() ? parameters.Bytes() : "(none)");
  return 1;
}
// The box's texts come as the program's Windows-1250 bytes; kept as letters.
int Box(ProgramText caption, ProgramText text, UINT) {
  script->captions.push_back(Utf8FromCodePage(1250, caption.Bytes()));
  script->texts.push_back(Utf8FromCodePage(1250, text.Bytes()));
  return IDOK;
}

TEST(RequestReread, NeverMeasuresPacksOrReportsAnotherPath) {
  const std::string report = Report(900, 450);
  for (bool shrinks : {true, false}) {
    for (bool null : {false, true}) {
      // Reads 1 and 2 are the checks; 3 the size before; 4 the command line;
      // 5 and 6 the sizes after the run.
      for (int failing = 1; failing <= 6; failing++) {
        SCOPED_TRACE("read " + std::to_string(failing) + (null ? " null" : " empty") +
                     (shrinks ? ", the packer shrinks" : ", the packer keeps"));
        Script s;
        s.failingRead = failing;
        s.null = null;
        s.packerShrinks = shrinks;
        script = &s;
        CompressionRequest({ReadPath, ReadLevel, 0}, CompressionServices{Size, StartPacker, Box, nullptr});
        ASSERT_EQ(s.captions.size(), 1u);
        for (const std::string& path : s.measured) EXPECT_EQ(path, kPath);
        if (failing <= 4) {
          // Before the packer: the request ends as for a path it cannot use.
          EXPECT_TRUE(s.runs.empty());
          EXPECT_EQ(s.captions[0], kNoFileCaption);
          EXPECT_EQ(s.texts[0], kNoFileText);
          continue;
        }
        ASSERT_EQ(s.runs, std::vector<std::string>{"--best \"" + std::string(kPath) + "\""});
        if (shrinks) {
          EXPECT_EQ(s.captions[0], kReportCaption);
          EXPECT_EQ(s.texts[0], report);
        } else {
          EXPECT_EQ(s.captions[0], kErrorCaption);
          EXPECT_EQ(s.texts[0], kUnchanged);
        }
      }
    }
  }
}

}  // namespace
