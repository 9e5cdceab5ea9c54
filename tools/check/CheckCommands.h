#ifndef FENDREL_TOOLS_CHECK_CHECKCOMMANDS_H
#define FENDREL_TOOLS_CHECK_CHECKCOMMANDS_H

#include "check/CheckArguments.h"

namespace check {

// Each command writes its output to standard output and its failures to standard
// error, and returns the tool's exit status.
int RunGet(const GetArguments& arguments);
int RunList(const ArchiveArguments& arguments);
int RunTest(const ArchiveArguments& arguments);
int RunExtract(const ArchiveArguments& arguments);
int RunKeygen(const SignatureArguments& arguments);
int RunSign(const SignatureArguments& arguments);
int RunVerify(const SignatureArguments& arguments);
int RunPublish(const PublishArguments& arguments);
int RunPreflight(const PreflightArguments& arguments);

}  // namespace check

#endif
