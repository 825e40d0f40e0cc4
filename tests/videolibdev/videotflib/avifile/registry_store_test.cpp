#include "avifile/registry_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "avifile/json_parser.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using MEQAutility::SettingController::SettingError;

// Every test gets a settings folder of its own.
class RegistryStoreTest : public testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", home_.c_str(), 1); }
  std::string file() const { return home_ + "/Orlo/vixo.json"; }
  void writeFile(const std::string& bytes) const {
    fs::create_directories(home_ + "/Orlo");
    std::ofstream(file(), std::ios::binary) << bytes;
  }
  std::string readFile() const {
    std::ifstream in(file(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  vixo_test::TempFolder folder_;
  const std::string& home_ = folder_.path();
};

TEST_F(RegistryStoreTest, FreshStoreHasItsFolderAndNoValues) {
  RegistryStore store = RegistryStore::open(L"vixo");
  ASSERT_TRUE(store);
  EXPECT_TRUE(fs::is_directory(home_ + "/Orlo"));
  EXPECT_EQ(store.filePath(), file());

  std::wstring text = L"default";
  int32_t number = 42;
  EXPECT_FALSE(store.getString(L"0hist", text));
  EXPECT_FALSE(store.getDword(L"port", number));
  EXPECT_EQ(text, L"default");
  EXPECT_EQ(number, 42);
  EXPECT_EQ(store.valueSize(L"port"), -1);
  try {
    store.readString(L"observer", text);
    FAIL() << "no error for a missing value";
  } catch (const SettingError& e) {
    EXPECT_EQ(std::string(e.what()), std::strerror(ENOENT));
  }
  EXPECT_FALSE(fs::exists(file()));  // reading makes no file
}

TEST_F(RegistryStoreTest, ValuesRoundTripWithTheirTypes) {
  {
    RegistryStore store = RegistryStore::open(L"vixo");
    ASSERT_TRUE(store.setString(L"observer", L"Ana \u00e9\U0001F600"));
    ASSERT_TRUE(store.setUtf8String(L"host", "h\xC3\xB6st"));
    ASSERT_TRUE(store.setDword(L"port", 8080));
    ASSERT_TRUE(store.setDword(L"hostIdx", -3));
    ASSERT_TRUE(store.setString(L"cut", std::wstring(L"ab\0cd", 5)));
    ASSERT_TRUE(store.setString(L"empty", L""));
  }
  RegistryStore store = RegistryStore::open(L"vixo");
  std::wstring text;
  std::string utf8;
  int32_t number = 0;
  ASSERT_TRUE(store.getString(L"observer", text));
  EXPECT_EQ(text, L"Ana \u00e9\U0001F600");
  // characters as 16-bit units plus the terminating zero, two bytes each
  EXPECT_EQ(store.valueSize(L"observer"), (7 + 1) * 2);
  ASSERT_TRUE(store.getUtf8String(L"host", utf8));
  EXPECT_EQ(utf8, "h\xC3\xB6st");
  ASSERT_TRUE(store.getDword(L"port", number));
  EXPECT_EQ(number, 8080);
  EXPECT_EQ(store.valueSize(L"port"), 4);
  ASSERT_TRUE(store.getDword(L"hostIdx", number));
  EXPECT_EQ(number, -3);
  ASSERT_TRUE(store.getString(L"cut", text));
  EXPECT_EQ(text, L"ab");  // stored only up to the zero character
  ASSERT_TRUE(store.getString(L"empty", text));
  EXPECT_EQ(text, L"");

  // the file holds typed JSON values
  std::istringstream in(readFile());
  const Brindle::JSON values = Brindle::JSONparser::parse(in);
  EXPECT_TRUE(values.find("observer")->isString());
  EXPECT_EQ(values.find("port")->getInteger(), 8080);
  EXPECT_EQ(values.find("hostIdx")->getInteger(), -3);
}

// Text that cannot be encoded (a lone surrogate, a value beyond U+10FFFF) is refused as it is
// for the UTF-8 setter: EILSEQ, and nothing is stored, neither a new value nor over an old one.
TEST_F(RegistryStoreTest, TextThatCannotBeEncodedIsRefusedAndStoresNothing) {
  RegistryStore store = RegistryStore::open(L"vixo");
  ASSERT_TRUE(store.setString(L"observer", L"Ana"));
  const std::string before = readFile();
  const std::wstring broken[] = {std::wstring(1, wchar_t(0xD800)),
                                 L"ab" + std::wstring(1, wchar_t(0xDFFF)),
                                 std::wstring(1, wchar_t(0x110000))};
  for (const std::wstring& text : broken) {
    EXPECT_FALSE(store.setString(L"observer", text));
    EXPECT_EQ(store.lastError(), EILSEQ);
    EXPECT_FALSE(store.setString(L"fresh", text));
    EXPECT_EQ(store.lastError(), EILSEQ);
    EXPECT_FALSE(store.setUtf8String(L"fresh", "\xED\xA0\x80"));
    EXPECT_EQ(store.lastError(), EILSEQ);
    EXPECT_THROW(store.writeString(L"fresh", text), SettingError);
  }
  EXPECT_EQ(readFile(), before);
  std::wstring read;
  ASSERT_TRUE(store.getString(L"observer", read));
  EXPECT_EQ(read, L"Ana");
  EXPECT_FALSE(store.getString(L"fresh", read));
  EXPECT_EQ(store.lastError(), ENOENT);
}

TEST_F(RegistryStoreTest, OtherTypesAreRefusedAndLeaveTheOutArgument) {
  RegistryStore store = RegistryStore::open(L"vixo");
  ASSERT_TRUE(store.setString(L"display", L"1"));
  ASSERT_TRUE(store.setDword(L"port", 9000));
  int32_t number = 7;
  EXPECT_FALSE(store.getDword(L"display", number));
  EXPECT_EQ(number, 7);
  std::wstring text = L"keep";
  EXPECT_FALSE(store.getString(L"port", text));
  EXPECT_EQ(text, L"keep");
  try {
    store.readString(L"port", text);
    FAIL();
  } catch (const SettingError& e) {
    // the read worked, the type did not: the system's text for success
    EXPECT_EQ(std::string(e.what()), std::strerror(0));
  }
}

TEST_F(RegistryStoreTest, TwoStoresSeeEachOthersWrites) {
  RegistryStore a = RegistryStore::open(L"vixo");
  RegistryStore b = RegistryStore::open(L"vixo");
  ASSERT_TRUE(a.setString(L"0hist", L"/tasks/one.vixo"));
  ASSERT_TRUE(b.setString(L"1hist", L"/tasks/two.vixo"));
  std::wstring text;
  ASSERT_TRUE(b.getString(L"0hist", text));
  EXPECT_EQ(text, L"/tasks/one.vixo");
  ASSERT_TRUE(a.getString(L"1hist", text));
  EXPECT_EQ(text, L"/tasks/two.vixo");
  ASSERT_TRUE(b.setString(L"0hist", L"/tasks/three.vixo"));
  ASSERT_TRUE(a.getString(L"0hist", text));
  EXPECT_EQ(text, L"/tasks/three.vixo");

  // another application keeps its own values
  RegistryStore other = RegistryStore::open(L"other");
  EXPECT_FALSE(other.getString(L"0hist", text));
}

TEST_F(RegistryStoreTest, WritesOfSeveralProcessesAreNotLost) {
  constexpr int kProcesses = 4;
  constexpr int kValues = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      RegistryStore store = RegistryStore::open(L"vixo");
      bool ok = static_cast<bool>(store);
      for (int i = 0; i < kValues; ++i)
        ok = store.setDword(L"p" + std::to_wstring(p) + L"v" + std::to_wstring(i), i) && ok;
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  RegistryStore store = RegistryStore::open(L"vixo");
  for (int p = 0; p < kProcesses; ++p)
    for (int i = 0; i < kValues; ++i) {
      int32_t v = -1;
      EXPECT_TRUE(store.getDword(L"p" + std::to_wstring(p) + L"v" + std::to_wstring(i), v));
      EXPECT_EQ(v, i);
    }
  // no temporary file is left behind
  int files = 0;
  for (const auto& entry : fs::directory_iterator(home_ + "/Orlo"))
    files += entry.path().filename().string().find(".tmp") == std::string::npos ? 0 : 1;
  EXPECT_EQ(files, 0);
}

TEST_F(RegistryStoreTest, DamagedFilesAreRefusedAndKept) {
  const std::string cases[] = {
      "{\"0hist\" : \"/tasks/a.vixo\",\"port\" : 80",  // truncated
      std::string("\x00\xff\x13garbage\x00", 11),      // binary
      "[\"0hist\", \"/tasks/a.vixo\"]",                // not an object
      "{\"port\" : 80} trailing",                      // more than one value
      "",                                              // empty
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    writeFile(bytes);
    RegistryStore store = RegistryStore::open(L"vixo");
    ASSERT_TRUE(store);
    std::wstring text = L"default";
    int32_t number = 5;
    EXPECT_FALSE(store.getString(L"0hist", text));
    EXPECT_FALSE(store.getDword(L"port", number));
    EXPECT_EQ(text, L"default");
    EXPECT_EQ(number, 5);
    EXPECT_FALSE(store.setString(L"0hist", L"/tasks/new.vixo"));
    EXPECT_FALSE(store.setDword(L"port", 81));
    EXPECT_THROW(store.writeString(L"x", L"y"), SettingError);
    try {
      store.readString(L"0hist", text);
      FAIL();
    } catch (const SettingError& e) {
      EXPECT_EQ(std::string(e.what()), std::strerror(EBADMSG));
    }
    EXPECT_EQ(readFile(), bytes);  // never overwritten
  }
}

TEST_F(RegistryStoreTest, ForeignTypedValuesAreReadAsMismatchesAndKept) {
  writeFile(
      "{\"0hist\" : 5, \"port\" : \"8080\", \"flag\" : true, \"ratio\" : 1.5, "
      "\"big\" : 5000000000, \"max\" : 4294967295, \"bad\" : \"\xff\"}");
  RegistryStore store = RegistryStore::open(L"vixo");
  std::wstring text = L"d";
  int32_t number = 1;
  EXPECT_FALSE(store.getString(L"0hist", text));
  EXPECT_FALSE(store.getDword(L"port", number));
  EXPECT_FALSE(store.getString(L"flag", text));
  EXPECT_FALSE(store.getDword(L"ratio", number));
  EXPECT_FALSE(store.getDword(L"big", number));  // more than 32 bits
  EXPECT_FALSE(store.getString(L"bad", text));   // not UTF-8
  EXPECT_EQ(text, L"d");
  EXPECT_EQ(number, 1);
  ASSERT_TRUE(store.getDword(L"max", number));  // an unsigned 32-bit pattern
  EXPECT_EQ(number, -1);

  // a write keeps what it does not know
  ASSERT_TRUE(store.setDword(L"port", 8081));
  std::istringstream in(readFile());
  const Brindle::JSON values = Brindle::JSONparser::parse(in);
  EXPECT_EQ(values.size(), 7);
  EXPECT_TRUE(values.find("flag")->getBool());
  EXPECT_EQ(values.find("port")->getInteger(), 8081);
}

TEST_F(RegistryStoreTest, UnreadableFileIsNotOverwritten) {
  // something that cannot be read as a file stands where the file should be
  fs::create_directories(file());
  std::ofstream(file() + "/inside") << "kept";
  RegistryStore store = RegistryStore::open(L"vixo");
  int32_t number = 0;
  EXPECT_FALSE(store.getDword(L"port", number));
  EXPECT_EQ(store.lastError(), EISDIR);
  EXPECT_EQ(store.errorText(), std::strerror(EISDIR));
  EXPECT_FALSE(store.setDword(L"port", 81));
  EXPECT_TRUE(fs::is_directory(file()));
  EXPECT_TRUE(fs::exists(file() + "/inside"));
  fs::remove_all(file());

  if (geteuid() != 0) {  // file permissions do not bind the super-user
    writeFile("{\"port\" : 80}");
    chmod(file().c_str(), 0);
    EXPECT_FALSE(store.getDword(L"port", number));
    EXPECT_EQ(store.lastError(), EACCES);
    EXPECT_FALSE(store.setDword(L"port", 81));
    chmod(file().c_str(), 0600);
    EXPECT_EQ(readFile(), "{\"port\" : 80}");
  }
}

TEST_F(RegistryStoreTest, StoreThatCannotOpenFailsQuietly) {
  for (const wchar_t* name : {L"", L"a/b", L"..", L"."}) {
    RegistryStore store = RegistryStore::open(name);
    EXPECT_FALSE(store);
    std::wstring text = L"x";
    int32_t number = 2;
    EXPECT_FALSE(store.getString(L"v", text));
    EXPECT_FALSE(store.getDword(L"v", number));
    EXPECT_FALSE(store.setString(L"v", L"w"));
    EXPECT_FALSE(store.setDword(L"v", 1));
    EXPECT_THROW(store.readString(L"v", text), SettingError);
    EXPECT_THROW(store.writeString(L"v", L"w"), SettingError);
    EXPECT_EQ(text, L"x");
    EXPECT_EQ(number, 2);
  }
  // a settings folder that cannot be made
  writeFile("");
  fs::remove(file());
  fs::remove(home_ + "/Orlo");
  std::ofstream(home_ + "/Orlo") << "a file where the folder should be";
  EXPECT_FALSE(RegistryStore::open(L"vixo"));

  // closing leaves an empty store
  fs::remove(home_ + "/Orlo");
  RegistryStore store = RegistryStore::open(L"vixo");
  ASSERT_TRUE(store);
  store.close();
  EXPECT_FALSE(store);
}

}  // namespace
