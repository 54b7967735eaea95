#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "foundation/String.h"
#include "wingui/ComApartment.h"
#include "wingui/Dispatch.h"

#include "office/OfficeCodes.h"

// The automation session of one encryption or decryption job: initialises
// OLE on the job's thread, starts Word, PowerPoint and Excel as needed,
// silences them, keeps them across the job's files and ends them when the
// job ends. All calls on one object happen on the thread that created it.
class OfficeApplication {
public:
    // Starts each application whose count is above 0. Throws Exception
    // (code 10: OLE could not be initialised; 201: an application could not
    // be started) or ComError (a start-up property was refused); whatever it
    // had started is ended again before it throws.
    OfficeApplication(int doc, int ppt, int xls);
    // The session of the built-in engine (doccrypt/): starts no application;
    // every document goes through the same flow to that engine instead.
    struct BuiltIn {};
    explicit OfficeApplication(BuiltIn);
    virtual ~OfficeApplication();
    OfficeApplication(const OfficeApplication&) = delete;
    OfficeApplication& operator=(const OfficeApplication&) = delete;

    // True when a started application is exactly version 12.
    bool isOffice12Installed() const;
    bool usesBuiltInEngine() const { return builtIn; }

    // Put the password on one document, or take it off (0 = success, see
    // OfficeCodes.h). keepFileTime keeps the last-access and last-write times.
    int protect(const char* filePath, bool keepFileTime);
    int unprotect(const char* filePath, bool keepFileTime);

    // Start the application when needed, then give it the macro security
    // level again for a pre-2007 document. Throw Exception 201 (the
    // application could not be started, or refused its start-up settings
    // and was ended again) or ComError (the macro security level was
    // refused).
    void createWordApplication(const char* filePath);
    void createPowerPointApplication(const char* filePath);
    void createExcelApplication(const char* filePath);

    // PowerPoint's window cannot be hidden through its object model: these
    // make it transparent and minimised, and take it off the taskbar.
    void hideApplicationWindow(HWND hwnd);
    void restoreApplicationWindow(HWND hwnd);
    bool removeTaskbarButton(HWND hwnd);

    // The engines: each takes a document and its password and returns a
    // result code; virtual so that the flow can be measured and tested with
    // engines of another kind.
    virtual int protectWord(const char* filePath, const char* password);
    virtual int unprotectWord(const char* filePath, const char* password);
    virtual int protectPowerPoint(const char* filePath, const char* password);
    virtual int unprotectPowerPoint(const char* filePath, const char* password);
    virtual int protectExcel(const char* filePath, const char* password);
    virtual int unprotectExcel(const char* filePath, const char* password);

    // The flow's file helpers.
    bool getFileTime(const char* path, FILETIME& lastAccess, FILETIME& lastWrite);
    bool setFileTime(const char* path, const FILETIME& lastAccess, const FILETIME& lastWrite);
    int setNormalFileAttribute(const char* path, DWORD& savedAttributes, bool& attributesChanged);
    bool doDeleteFile(const char* path);
    bool isFileInUse(const char* path);

protected:
    // The GUID text that makes backup and temporary names unique; false when
    // none could be made.
    virtual bool newGuidText(String& text);
    // The file's path with a new GUID appended, where a save goes before it
    // replaces the file; empty when no GUID could be made.
    std::string appendedTemporaryFor(const char* filePath);

private:
    enum class App { Word, PowerPoint, Excel };
    int runFlow(const char* filePath, bool keepFileTime, bool encrypt);
    int runEngine(const char* filePath, const char* password, bool encrypt);
    // The flow's steps. refuseDocument: 0, or the code of a document that is
    // not looked at further. makeBackup: the backup's name, or empty when
    // none was made. runWithPassword: the engine's code, or the code of a
    // password that could not be derived; what the engine threw is kept in
    // pending. putBackupBack after a failed engine, discardBackup after a
    // successful one: the flow's result.
    int refuseDocument(const char* filePath, const char* method) const;
    std::string makeBackup(const char* filePath, const char* method);
    int runWithPassword(const char* filePath, bool encrypt, const char* method, std::exception_ptr& pending);
    int putBackupBack(const char* filePath, const std::string& backup, int result, const char* method);
    int discardBackup(const std::string& backup, const char* method);
    // Starts and silences one application. A lazily started one that
    // refuses part of its set-up is ended again and reported as not started.
    void startApplication(App app, bool lazily);
    void silenceApplication(App app, bool lazily);
    // Ends a lazily started application that refused its set-up, whatever
    // that takes; it is then absent from the session.
    void endHalfStarted(App app);
    [[noreturn]] static void reportStartFailure(App app, bool lazily, HRESULT hr);
    // What differs between the three applications (OfficeApplication.cpp).
    struct AppRow;
    static const AppRow& rowOf(App app);
    // The create*Application methods: start when absent, then the macro
    // security level for a pre-2007 document.
    void startOnFirstUse(App app, const char* filePath);
    // Quits one application, or only lets it go when it holds documents
    // that are not the job's; throws ComError.
    void endApplication(App app);
    void applyMacroSecurity(const DispatchObject& application, const char* filePath);
    void quitApplications();
    int wordEngine(const char* filePath, const char* password, bool encrypt);
    int powerPointEngine(const char* filePath, const char* password, bool encrypt);
    void concealPowerPoint();
    int excelEngine(const char* filePath, const char* password, bool encrypt);
    int builtInEngine(const char* filePath, const char* password, bool encrypt);
    // Puts an engine's saved temporary file in place of the document: the
    // document is deleted, the file moved there. Logs step firstStep when it
    // moved, firstStep + 1 when the move failed, firstStep + 2 when the
    // delete failed; returns 0 or the failure's code.
    static int placeSavedFile(const char* method, const char* filePath, const std::string& temporary, int firstStep,
                              int notDeletedCode, int notMovedCode);
    // After a failed engine run, deletes a saved temporary file that did not
    // replace the document: the flow puts the backup back instead.
    static void discardUnusedTemporary(int result, const std::string& temporary);

    // OLE on the job's thread; declared before the applications so that it
    // is left only after they are released.
    ComApartment apartment;
    DispatchObject word;
    DispatchObject powerPoint;
    DispatchObject excel;
    int savedPowerPointWindowState = 0;
    int wordVersion = 0;
    int powerPointVersion = 0;
    int excelVersion = 0;
    bool officeWord12Compatible = false;
    DispatchValue missing;
    using SetLayeredWindowAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    SetLayeredWindowAttributesFunction setLayeredWindowAttributes = nullptr;
    int macroSecurityLevel = 3;
    bool builtIn = false;
};
