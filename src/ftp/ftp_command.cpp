#include "ftp/ftp_command.h"

#include "avifile/assertion.h"

namespace nsFTP {

namespace {

struct Row {
  int id;
  const wchar_t* name;
  const wchar_t* syntax;
  int parameters;
  int optional;
  int commandClass;
  CCommand::TDataDirection direction;
};

constexpr auto R = CCommand::DataReceive;
constexpr auto S = CCommand::DataSend;
constexpr auto N = CCommand::DataNone;

// clang-format off
const Row kRows[] = {
    {CCommand::ABOR, L"ABOR", L"ABOR <CRLF>", 0, 0, 1, N},
    {CCommand::ACCT, L"ACCT", L"ACCT <SP> <account-information> <CRLF>", 1, 0, 1, N},
    {CCommand::ALLO, L"ALLO", L"ALLO <SP> <decimal-integer> [<SP> R <SP> <decimal-integer>] <CRLF>", 3, 2, 1, N},
    {CCommand::APPE, L"APPE", L"APPE <SP> <pathname> <CRLF>", 1, 0, 1, S},
    {CCommand::CDUP, L"CDUP", L"CDUP <CRLF>", 0, 0, 1, N},
    {CCommand::CWD,  L"CWD",  L"CWD <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::DELE, L"DELE", L"DELE <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::HELP, L"HELP", L"HELP [<SP> <string>] <CRLF>", 1, 1, 1, N},
    {CCommand::LIST, L"LIST", L"LIST [<SP> <pathname>] <CRLF>", 1, 1, 1, R},
    {CCommand::MDTM, L"MDTM", L"MDTM <SP> <pathname> <CRLF>", 1, 0, 2, N},
    {CCommand::MKD,  L"MKD",  L"MKD <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::MODE, L"MODE", L"MODE <SP> <mode-code> <CRLF>", 1, 0, 1, N},
    {CCommand::NLST, L"NLST", L"NLST [<SP> <pathname>] <CRLF>", 1, 1, 1, R},
    {CCommand::NOOP, L"NOOP", L"NOOP <CRLF>", 0, 0, 1, N},
    {CCommand::OPEN, L"OPEN", L"OPEN <SP> <string> <CRLF>", 1, 0, 0, N},
    {CCommand::PASS, L"PASS", L"PASS <SP> <password> <CRLF>", 1, 0, 1, N},
    {CCommand::PASV, L"PASV", L"PASV <CRLF>", 0, 0, 1, N},
    {CCommand::PORT, L"PORT", L"PORT <SP> <host-port> <CRLF>", 1, 0, 1, N},
    {CCommand::PWD,  L"PWD",  L"PWD <CRLF>", 0, 0, 1, N},
    {CCommand::QUIT, L"QUIT", L"QUIT <CRLF>", 0, 0, 1, N},
    {CCommand::REIN, L"REIN", L"REIN <CRLF>", 0, 0, 1, N},
    {CCommand::REST, L"REST", L"REST <SP> <marker> <CRLF>", 1, 0, 1, N},
    {CCommand::RETR, L"RETR", L"RETR <SP> <pathname> <CRLF>", 1, 0, 1, R},
    {CCommand::RMD,  L"RMD",  L"RMD <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::RNFR, L"RNFR", L"RNFR <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::RNTO, L"RNTO", L"RNTO <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::SITE, L"SITE", L"SITE <SP> <string> <CRLF>", 1, 0, 1, N},
    {CCommand::SIZE, L"SIZE", L"SIZE <SP> <pathname> <CRLF>", 1, 0, 2, N},
    {CCommand::SMNT, L"SMNT", L"SMNT <SP> <pathname> <CRLF>", 1, 0, 1, N},
    {CCommand::STAT, L"STAT", L"STAT [<SP> <pathname>] <CRLF>", 1, 1, 1, N},
    {CCommand::STOR, L"STOR", L"STOR <SP> <pathname> <CRLF>", 1, 0, 1, S},
    {CCommand::STOU, L"STOU", L"STOU <CRLF>", 0, 0, 1, S},
    {CCommand::STRU, L"STRU", L"STRU <SP> <structure-code> <CRLF>", 1, 0, 1, N},
    {CCommand::SYST, L"SYST", L"SYST <CRLF>", 0, 0, 1, N},
    {CCommand::TYPE, L"TYPE", L"TYPE <SP> <type-code> <CRLF>", 1, 0, 1, N},
    {CCommand::USER, L"USER", L"USER <SP> <username> <CRLF>", 1, 0, 1, N},
};
// clang-format on

}  // namespace

const CCommand::TTable& CCommand::GetInstance() {
  static const TTable table = [] {
    TTable built;
    for (const Row& row : kRows) {
      built.emplace(row.id, nsSmartPointer::RCIPtr<CExtendedInfo>(
                                new CExtendedInfo(row.name, row.syntax, row.parameters,
                                                  row.optional, row.commandClass, row.direction)));
    }
    return built;
  }();
  return table;
}

const CCommand::CExtendedInfo& CCommand::Info(int id) {
  const auto it = GetInstance().find(id);
  VIXO_ASSERT(it!=GetInstance().end());
  return *it->second;
}

}  // namespace nsFTP
