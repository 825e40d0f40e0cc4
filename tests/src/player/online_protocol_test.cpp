// The stateless pieces of the online test's protocol: form fields, numbers, the JSON replies, the
// page's files with their root and content types.
#include "player/online_protocol.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "player/static_files.h"
#include "support/temp_folder.h"

namespace {

webserver::http_request withFields(std::vector<std::pair<std::string, std::string>> fields) {
  webserver::http_request request;
  request.method = "POST";
  for (auto& [name, value] : fields) request.postParams.emplace(name, value);
  return request;
}

TEST(OnlineProtocol, DecimalNumbersReadLikeStrtol) {
  const struct {
    const char* text;
    int value;
    bool digits;
    bool overflow;
  } rows[] = {
      {"12", 12, true, false},
      {"  \t\n-7", -7, true, false},
      {"+3x4", 3, true, false},
      {"007", 7, true, false},
      {"", 0, false, false},
      {"abc", 0, false, false},
      {"-", 0, false, false},
      {" - 5", 0, false, false},
      {"1.9", 1, true, false},
      {"2147483647", INT_MAX, true, false},
      {"2147483648", INT_MAX, true, true},
      {"-2147483648", INT_MIN, true, false},
      {"-2147483649", INT_MIN, true, true},
      {"99999999999999999999999999", INT_MAX, true, true},
      {"\xC2\xA0"
       "5",
       0, false, false},  // a no-break space is not white space
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const ParsedInt parsed = parseDecimal(row.text);
    EXPECT_EQ(parsed.value, row.value);
    EXPECT_EQ(parsed.digits, row.digits);
    EXPECT_EQ(parsed.overflow, row.overflow);
  }
}

TEST(OnlineProtocol, FieldsOfTheBody) {
  // prevState: -1 unless it holds an int.
  const struct {
    std::vector<std::pair<std::string, std::string>> fields;
    int prevState;
  } polls[] = {
      {{}, -1},
      {{{"prevState", "4"}}, 4},
      {{{"prevState", " 12abc"}}, 12},
      {{{"prevState", "abc"}}, -1},
      {{{"prevState", "2147483648"}}, -1},
      {{{"prevState", "3"}, {"prevState", "9"}}, 3},  // the first of equal names
  };
  for (const auto& row : polls) {
    const webserver::http_request request = withFields(row.fields);
    EXPECT_EQ(readPrevState(&request), row.prevState);
  }
  // Query fields are never read.
  webserver::http_request query;
  query.params.emplace("prevState", "5");
  query.params.emplace("qi", "1");
  EXPECT_EQ(readPrevState(&query), -1);
  EXPECT_EQ(readIntParam(&query, "qi", -1), -1);

  const webserver::http_request numbers = withFields({{"qi", "x"}, {"qid", "99999999999"}});
  EXPECT_EQ(readIntParam(&numbers, "qi", -1), 0);
  EXPECT_EQ(readIntParam(&numbers, "qid", -1), INT_MAX);
  EXPECT_EQ(readIntParam(&numbers, "absent", -1), -1);
  EXPECT_EQ(postParam(&numbers, "absent"), "");
}

TEST(OnlineProtocol, ArrayFieldsInNameOrderThenArrivalOrder) {
  using Fields = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* name;
    Fields fields;
    std::vector<std::string> values;
  } rows[] = {
      {"repeated empty brackets", {{"votes[]", "2"}, {"votes[]", "4"}}, {"2", "4"}},
      {"numbered", {{"votes[1]", "4"}, {"votes[0]", "2"}}, {"2", "4"}},
      {"ten or more numbered fields sort by bytes",
       {{"votes[2]", "c"}, {"votes[10]", "k"}, {"votes[1]", "b"}},
       {"k", "b", "c"}},
      {"other names are left out",
       {{"votes", "0"}, {"votesx[]", "1"}, {"vote[]", "2"}, {"votes[]", "3"}, {"w[]", "4"}},
       {"3"}},
      {"none", {{"text", "hi"}}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const webserver::http_request request = withFields(row.fields);
    EXPECT_EQ(readArrayParam(&request, "votes"), row.values);
  }
}

TEST(OnlineProtocol, RepliesAreCompactJson) {
  OnlineMessage question;
  question.type = OnlineMessage::Question;
  question.qIndex = 7;
  question.questions = {{L"Please, vote on both videos", {L"Excellent", L"Bad"}, 2},
                        {L"Why \"so\"?\nSay", {}, 3}};
  const struct {
    Brindle::JSON reply;
    const char* text;
  } rows[] = {
      {makeHelloMessage(L"Welcome to test Caf\u00e9", L"Please, enter your name"),
       R"({"type" : "hello","text" : "Welcome to test Café","qtext" : "Please, enter your name"})"},
      {makeTextMessage(false, L"a\nb"), R"({"type" : "text","success" : false,"text" : "a\nb"})"},
      {makeTermMessage(L"Test is terminated\nGood bye"),
       R"({"type" : "term","text" : "Test is terminated\nGood bye"})"},
      {makeQuestionMessage(question),
       R"({"type" : "question","qid" : 7,"qs" : [{"text" : "Please, vote on both videos","type" : 2,)"
       R"("vars" : ["Excellent","Bad"]},{"text" : "Why \"so\"?\nSay","type" : 3,"vars" : []}]})"},
  };
  for (const auto& row : rows) {
    webserver::http_request request;
    setResponseHeader(&request, "Content-Type", "text/html");
    sendJson(&request, row.reply);
    EXPECT_EQ(request.answer, row.text);
    EXPECT_EQ(request.answerHeaders.count("Content-Type"), 1u);
    EXPECT_EQ(request.answerHeaders["Content-Type"], "text/json");
  }
}

TEST(OnlineProtocol, AnswerKindsAskForIndices) {
  const std::pair<int, int> rows[] = {{0, 1}, {2, 2}, {3, 0}, {1, 1}, {-4, 1}, {99, 1}};
  for (const auto& [type, n] : rows) EXPECT_EQ((OnlineQuestion{L"", {}, type}.indicesAsked()), n);
}

TEST(StaticFiles, ContentTypes) {
  const std::pair<const wchar_t*, const char*> rows[] = {
      {L".js", "application/javascript"},
      {L".css", "text/css"},
      {L".htm", "text/html"},
      {L".HTML", "text/html"},
      {L".Txt", "text/plain"},
      {L".gif", "image/gif"},
      {L".jpg", "image/jpeg"},
      {L".JPEG", "image/jpeg"},
      {L".png", "image/png"},
      {L".svg", "image/svg+xml"},
      {L".json", "application/octet-stream"},
      {L"", "application/octet-stream"},
      {L".html ", "application/octet-stream"},
  };
  for (const auto& [extension, type] : rows) {
    SCOPED_TRACE(toUtf8(extension));
    EXPECT_EQ(mimeTypeForPath(extension), type);
  }
}

TEST(StaticFiles, PathsStayInsideTheRoot) {
  vixo_test::TempFolder folder;
  const std::wstring base = fromUtf8(folder.path()) + L"/";
  const std::wstring root = base + L"static_html";
  const struct {
    const wchar_t* rest;
    std::wstring path;  // empty: refused
  } rows[] = {
      {L"index.html", root + L"/index.html"},
      {L"img/a.png", root + L"/img/a.png"},
      {L"./a/../b.css", root + L"/b.css"},
      {L"", root},  // the root itself; it cannot be read as a file
      {L"..", L""},
      {L"../static_html/x.js", root + L"/x.js"},  // leaves and comes back
      {L"../static_html2/x.js", L""},             // a name that starts like the root
      {L"../../etc/passwd", L""},
      {L"a/../../secret.txt", L""},
      {L"..\\..\\etc\\passwd", L""},  // Windows-written separators
      {L"/etc/passwd", root + L"/etc/passwd"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(toUtf8(row.rest));
    EXPECT_EQ(staticFilePath(base, row.rest), row.path);
  }
}

TEST(StaticFiles, RedirectFileNamesTheRoot) {
  vixo_test::TempFolder folder;
  const std::wstring base = fromUtf8(folder.path()) + L"/";
  const std::wstring parent = base.substr(0, base.rfind(L'/', base.size() - 2) + 1);
  const struct {
    const char* name;
    std::string content;
    std::wstring path;  // of "a.js"; empty: refused
  } rows[] = {
      {"a folder beside the program", "  web/page \r\nignored\n", base + L"web/page/a.js"},
      {"a folder above the program", "../shared\n", parent + L"shared/a.js"},
      {"an empty file keeps static_html", "", base + L"static_html/a.js"},
      {"an empty first line is the program folder", "\nweb\n", base + L"a.js"},
      {"a line that is not UTF-8 names no folder", "caf\xE9\n", L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    folder.makeFile("conf_redirect.txt", row.content);
    EXPECT_EQ(staticFilePath(base, L"a.js"), row.path);
  }
  // The redirect root is kept as well.
  folder.makeFile("conf_redirect.txt", "web\n");
  EXPECT_EQ(staticFilePath(base, L"../static_html/a.js"), L"");
}

TEST(StaticFiles, OnlyRegularFilesInTheRootAreRead) {
  vixo_test::TempFolder folder;
  const std::wstring root = fromUtf8(folder / "page");
  const auto read = [&](const std::string& path, std::string& content) {
    return readStaticFile(fromUtf8(path), root, content);
  };
  std::string content = "stale";
  EXPECT_TRUE(read(folder.makeFile("page/a.bin", std::string("x\0y", 3)), content));
  EXPECT_EQ(content, std::string("x\0y", 3));
  EXPECT_TRUE(read(folder.makeFile("page/empty.txt", ""), content));
  EXPECT_EQ(content, "");
  ASSERT_EQ(mkfifo((folder / "page/pipe").c_str(), 0600), 0);
  const std::string refused[] = {folder / "page", folder / "page/missing", folder / "page/pipe",
                                 folder.makeFile("beside.txt", "not in the page")};
  for (const std::string& path : refused) {
    SCOPED_TRACE(path);
    content = "stale";
    EXPECT_FALSE(read(path, content));
    EXPECT_EQ(content, "");
  }
  if (getuid() != 0) {  // root reads whatever the mode says
    const std::string locked = folder.makeFile("page/locked.txt", "secret");
    chmod(locked.c_str(), 0);
    EXPECT_FALSE(read(locked, content));
  }
}

}  // namespace
