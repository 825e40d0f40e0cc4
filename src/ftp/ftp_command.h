// The FTP commands the client knows (RFC 959 and the SIZE/MDTM extensions), as one table built
// on first use and read-only afterwards, so any thread may read it.
#pragma once

#include <map>
#include <string>

#include "ftp/smart_pointer.h"

namespace nsFTP {

// Root of the client's interfaces.
class IInterface {
 public:
  virtual ~IInterface() = default;
};

class CCommand {
 public:
  enum TCommand {
    ABOR = 0,
    ACCT,
    ALLO,
    APPE,
    CDUP,
    CWD,
    DELE,
    HELP,
    LIST,
    MDTM,
    MKD,
    MODE,
    NLST,
    NOOP,
    OPEN,
    PASS,
    PASV,
    PORT,
    PWD,
    QUIT,
    REIN,
    REST,
    RETR,
    RMD,
    RNFR,
    RNTO,
    SITE,
    SIZE,
    SMNT,
    STAT,
    STOR,
    STOU,
    STRU,
    SYST,
    TYPE,
    USER
  };
  // Which way a command's data connection carries bytes.
  enum TDataDirection { DataReceive = 0, DataSend = 1, DataNone = 2 };

  class IExtendedInfo : public IInterface {
   public:
    virtual const std::wstring& GetServerString() const = 0;
    virtual const std::wstring& GetSyntax() const = 0;
    virtual int GetParameterCount() const = 0;
    virtual int GetOptionalParameterCount() const = 0;
    // 1 for RFC 959 commands, 2 for its extensions (MDTM, SIZE), 0 for OPEN (firewalls).
    virtual int GetCommandClass() const = 0;
    virtual TDataDirection GetDataDirection() const = 0;
  };

  class CExtendedInfo : public IExtendedInfo {
   public:
    CExtendedInfo(std::wstring name, std::wstring syntax, int parameters, int optional,
                  int commandClass, TDataDirection direction)
        : m_strName(std::move(name)),
          m_strSyntax(std::move(syntax)),
          m_iParameters(parameters),
          m_iOptionalParameters(optional),
          m_iClass(commandClass),
          m_eDataDirection(direction) {}
    const std::wstring& GetServerString() const override { return m_strName; }
    const std::wstring& GetSyntax() const override { return m_strSyntax; }
    int GetParameterCount() const override { return m_iParameters; }
    int GetOptionalParameterCount() const override { return m_iOptionalParameters; }
    int GetCommandClass() const override { return m_iClass; }
    TDataDirection GetDataDirection() const override { return m_eDataDirection; }

   private:
    std::wstring m_strName;
    std::wstring m_strSyntax;
    int m_iParameters;
    int m_iOptionalParameters;
    int m_iClass;
    TDataDirection m_eDataDirection;
  };

  using TTable = std::map<int, nsSmartPointer::RCIPtr<CExtendedInfo>>;

  // The table of all 36 commands.
  static const TTable& GetInstance();
  // The entry of a command the table holds (anything else is a programming error).
  static const CExtendedInfo& Info(int id);
};

}  // namespace nsFTP
