// The echo engine's message texts, exactly as the user sees them.
#pragma once

inline constexpr const char* RSStackError = "Socket Error # %d\r\n%s";
inline constexpr const char* RSStackHOST_NOT_FOUND = "Host not found.";
inline constexpr const char* RSStackInitializationFailed = "Winsock Initialization Error.";
inline constexpr const char* RSStackSetSizeExceeded = "Set Size Exceeded.";
inline constexpr const char* RSStackInvalidIP = "%s is not a valid IP address.";
inline constexpr const char* RSInvalidServiceName = "%s is not a valid service.";
inline constexpr const char* RSCannotAllocateSocket = "Cannot allocate socket.";
// When the system refuses raw and datagram ICMP sockets and the echo helper
// may not open one either; %s is the helper's file.
inline constexpr const char* RSIcmpSocketsRefused =
    "Cannot allocate socket.\r\n"
    "This user may not send pings. Allow them through the echo helper with\r\n"
    "    sudo setcap cap_net_raw+ep %s\r\n"
    "or for the users of every group with\r\n"
    "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"";
inline constexpr const char* RSWinsockLoadError = "Error on loading Winsock2 library (%s)";
inline constexpr const char* RSWinsockCallError = "Error on call Winsock2 library function %s";

// Texts of the socket error codes, shown on the second line of a socket error.
inline constexpr const char* RSStackEINTR = "Interrupted system call.";
inline constexpr const char* RSStackEBADF = "Bad file number.";
inline constexpr const char* RSStackEACCES = "Access denied.";
inline constexpr const char* RSStackEFAULT = "Bad address.";
inline constexpr const char* RSStackEINVAL = "Invalid argument.";
inline constexpr const char* RSStackEMFILE = "Too many open files.";
inline constexpr const char* RSStackEWOULDBLOCK = "Operation would block. ";
inline constexpr const char* RSStackEINPROGRESS = "Operation now in progress.";
inline constexpr const char* RSStackEALREADY = "Operation already in progress.";
inline constexpr const char* RSStackENOTSOCK = "Socket operation on non-socket.";
inline constexpr const char* RSStackEDESTADDRREQ = "Destination address required.";
inline constexpr const char* RSStackEMSGSIZE = "Message too long.";
inline constexpr const char* RSStackEPROTOTYPE = "Protocol wrong type for socket.";
inline constexpr const char* RSStackENOPROTOOPT = "Bad protocol option.";
inline constexpr const char* RSStackEPROTONOSUPPORT = "Protocol not supported.";
inline constexpr const char* RSStackESOCKTNOSUPPORT = "Socket type not supported.";
inline constexpr const char* RSStackEOPNOTSUPP = "Operation not supported on socket.";
inline constexpr const char* RSStackEPFNOSUPPORT = "Protocol family not supported.";
inline constexpr const char* RSStackEAFNOSUPPORT =
    "Address family not supported by protocol family.";
inline constexpr const char* RSStackEADDRINUSE = "Address already in use.";
inline constexpr const char* RSStackEADDRNOTAVAIL = "Cannot assign requested address.";
inline constexpr const char* RSStackENETDOWN = "Network is down.";
inline constexpr const char* RSStackENETUNREACH = "Network is unreachable.";
inline constexpr const char* RSStackENETRESET = "Net dropped connection or reset.";
inline constexpr const char* RSStackECONNABORTED = "Software caused connection abort.";
inline constexpr const char* RSStackECONNRESET = "Connection reset by peer.";
inline constexpr const char* RSStackENOBUFS = "No buffer space available.";
inline constexpr const char* RSStackEISCONN = "Socket is already connected.";
inline constexpr const char* RSStackENOTCONN = "Socket is not connected.";
inline constexpr const char* RSStackESHUTDOWN = "Cannot send or receive after socket is closed.";
inline constexpr const char* RSStackETOOMANYREFS = "Too many references, cannot splice.";
inline constexpr const char* RSStackETIMEDOUT = "Connection timed out.";
inline constexpr const char* RSStackECONNREFUSED = "Connection refused.";
inline constexpr const char* RSStackELOOP = "Too many levels of symbolic links.";
inline constexpr const char* RSStackENAMETOOLONG = "File name too long.";
inline constexpr const char* RSStackEHOSTDOWN = "Host is down.";
inline constexpr const char* RSStackEHOSTUNREACH = "No route to host.";
inline constexpr const char* RSStackENOTEMPTY = "Directory not empty";

// Texts of the raw socket and the echo client.
inline constexpr const char* RSPackageSizeTooBig = "Package Size Too Big.";
inline constexpr const char* RSNotAllBytesSent = "Not all bytes sent.";
inline constexpr const char* RSConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* RSICMPNotEnoughtBytes = "Not enough bytes received";
inline constexpr const char* RSICMPNonEchoResponse = "Non-echo type response received";

// Texts of responsive waiting.
inline constexpr const char* RSOnlyOneAntiFreeze =
    "Only one TIdAntiFreeze can exist per application.";
