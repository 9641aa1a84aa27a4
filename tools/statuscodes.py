# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""Names of status codes: code types and error severities, and for values the
class, subclass and operation. Only defined values have names; describe() says
of every other part that it is unknown."""

from typing import NamedTuple, Optional

TYPE_MASK = 0x000000FF
SEVERITY_MASK = 0xFF000000
CLASS_SHIFT = 24
SUBCLASS_SHIFT = 16
OPERATION_MASK = 0x0000FFFF
SUBCLASS_SPECIFIC = 0x1000
OEM_SPECIFIC = 0x8000

PROGRESS, ERROR, DEBUG = 0x01, 0x02, 0x03
TYPES = {PROGRESS: "Progress", ERROR: "Error", DEBUG: "Debug"}
SEVERITIES = {
    0x40000000: "Minor",
    0x80000000: "Major",
    0x90000000: "Unrecovered",
    0xA0000000: "Uncontained",
}

COMPUTING_UNIT, PERIPHERAL, IO_BUS, SOFTWARE = 0x00, 0x01, 0x02, 0x03

CLASSES = {
    COMPUTING_UNIT: ("Computing Unit", {
        0x00: "Unspecified",
        0x01: "Host Processor",
        0x02: "Firmware Processor",
        0x03: "IO Processor",
        0x04: "Cache",
        0x05: "Memory",
        0x06: "Chipset",
    }),
    PERIPHERAL: ("Peripheral", {
        0x00: "Unspecified",
        0x01: "Keyboard",
        0x02: "Mouse",
        0x03: "Local Console",
        0x04: "Remote Console",
        0x05: "Serial Port",
        0x06: "Parallel Port",
        0x07: "Fixed Media",
        0x08: "Removable Media",
        0x09: "Audio Input",
        0x0A: "Audio Output",
        0x0B: "LCD Device",
        0x0C: "Network",
        0x0D: "Docking",
        0x0E: "TPM",
    }),
    IO_BUS: ("IO Bus", {
        0x00: "Unspecified",
        0x01: "PCI",
        0x02: "USB",
        0x03: "IBA",
        0x04: "AGP",
        0x05: "PC Card",
        0x06: "LPC",
        0x07: "SCSI",
        0x08: "ATA/ATAPI",
        0x09: "FC",
        0x0A: "IP Network",
        0x0B: "SMBus",
        0x0C: "I2C",
    }),
    SOFTWARE: ("Software", {
        0x00: "Unspecified",
        0x01: "SEC",
        0x02: "PEI Core",
        0x03: "PEI Module",
        0x04: "DXE Core",
        0x05: "DXE Boot Service Driver",
        0x06: "DXE Runtime Driver",
        0x07: "SMM Driver",
        0x08: "EFI Application",
        0x09: "OS Loader",
        0x0A: "Runtime",
        0x0B: "Afterlife",
        0x0C: "EBC Exception",
        0x0D: "IA32 Exception",
        0x0E: "IPF Exception",
        0x0F: "PEI Service",
        0x10: "Boot Service",
        0x11: "Runtime Service",
        0x12: "DXE Service",
        0x13: "X64 Exception",
        0x14: "ARM Exception",
    }),
}

# Debug codes have one operation, shared by every class and subclass.
DEBUG_OPERATIONS = {0x0000: "Unspecified"}

# Operations below SUBCLASS_SPECIFIC shared by all subclasses of a class.
COMMON_OPERATIONS = {
    (COMPUTING_UNIT, PROGRESS): {
        0x0000: "Init Begin",
        0x0001: "Init End",
    },
    (COMPUTING_UNIT, ERROR): {
        0x0000: "Non-specific",
        0x0001: "Disabled",
        0x0002: "Not Supported",
        0x0003: "Not Detected",
        0x0004: "Not Configured",
    },
    (PERIPHERAL, PROGRESS): {
        0x0000: "Init",
        0x0001: "Reset",
        0x0002: "Disable",
        0x0003: "Presence Detect",
        0x0004: "Enable",
        0x0005: "Reconfig",
        0x0006: "Detected",
    },
    (PERIPHERAL, ERROR): {
        0x0000: "Non-specific",
        0x0001: "Disabled",
        0x0002: "Not Supported",
        0x0003: "Not Detected",
        0x0004: "Not Configured",
        0x0005: "Interface Error",
        0x0006: "Controller Error",
        0x0007: "Input Error",
        0x0008: "Output Error",
        0x0009: "Resource Conflict",
    },
    (IO_BUS, PROGRESS): {
        0x0000: "Init",
        0x0001: "Reset",
        0x0002: "Disable",
        0x0003: "Detect",
        0x0004: "Enable",
        0x0005: "Reconfig",
        0x0006: "Hotplug",
    },
    (IO_BUS, ERROR): {
        0x0000: "Non-specific",
        0x0001: "Disabled",
        0x0002: "Not Supported",
        0x0003: "Not Detected",
        0x0004: "Not Configured",
        0x0005: "Interface Error",
        0x0006: "Controller Error",
        0x0007: "Read Error",
        0x0008: "Write Error",
        0x0009: "Resource Conflict",
    },
    (SOFTWARE, PROGRESS): {
        0x0000: "Init",
        0x0001: "Load",
        0x0002: "Init Begin",
        0x0003: "Init End",
        0x0004: "Authenticate Begin",
        0x0005: "Authenticate End",
        0x0006: "Input Wait",
        0x0007: "User Setup",
    },
    (SOFTWARE, ERROR): {
        0x0000: "Non-specific",
        0x0001: "Load Error",
        0x0002: "Invalid Parameter",
        0x0003: "Unsupported",
        0x0004: "Invalid Buffer",
        0x0005: "Out of Resources",
        0x0006: "Aborted",
        0x0007: "Illegal Software State",
        0x0008: "Illegal Hardware State",
        0x0009: "Start Error",
        0x000A: "Bad Date/Time",
        0x000B: "Configuration Invalid",
        0x000C: "Configuration Clear Request",
        0x000D: "Configuration Default",
        0x000E: "Password Invalid",
        0x000F: "Password Clear Request",
        0x0010: "Password Cleared",
        0x0011: "Event Log Full",
        0x0012: "Write Protected",
        0x0013: "FV Corrupted",
        0x0014: "Inconsistent Memory Map",
    },
}

# The processor exceptions, numbered by vector, shared by the IA32 and X64 subclasses.
X86_EXCEPTIONS = {
    0x0000: "Divide Error",
    0x0001: "Debug",
    0x0002: "NMI",
    0x0003: "Breakpoint",
    0x0004: "Overflow",
    0x0005: "Bound",
    0x0006: "Invalid Opcode",
    0x0008: "Double Fault",
    0x000A: "Invalid TSS",
    0x000B: "Segment Not Present",
    0x000C: "Stack Fault",
    0x000D: "General Protection Fault",
    0x000E: "Page Fault",
    0x0010: "Floating-Point Error",
    0x0011: "Alignment Check",
    0x0012: "Machine Check",
    0x0013: "SIMD Exception",
}

# The progress of a boot phase's core, shared by the PEI Core, DXE Core and Runtime subclasses.
PHASE_CORE_PROGRESS = {
    0x1000: "Entry Point",
    0x1001: "Handoff to Next",
    0x1002: "Return to Last",
}

# Operations of one subclass; the exception subclasses number theirs from 0.
SUBCLASS_OPERATIONS = {
    (COMPUTING_UNIT, 0x01, PROGRESS): {
        0x1000: "Power-On Init",
        0x1001: "Cache Init",
        0x1002: "RAM Init",
        0x1003: "Memory Controller Init",
        0x1004: "IO Init",
        0x1005: "BSP Select",
        0x1006: "BSP Reselect",
        0x1007: "AP Init",
        0x1008: "SMM Init",
    },
    (COMPUTING_UNIT, 0x01, ERROR): {
        0x1000: "Invalid Type",
        0x1001: "Invalid Speed",
        0x1002: "Mismatch",
        0x1003: "Timer Expired",
        0x1004: "Self Test",
        0x1005: "Internal",
        0x1006: "Thermal",
        0x1007: "Low Voltage",
        0x1008: "High Voltage",
        0x1009: "Cache",
        0x100A: "Microcode Update",
        0x100B: "Correctable",
        0x100C: "Uncorrectable",
        0x100D: "No Microcode Update",
    },
    (COMPUTING_UNIT, 0x02, ERROR): {
        0x1000: "Hard Fail",
        0x1001: "Soft Fail",
        0x1002: "Communication Error",
    },
    (COMPUTING_UNIT, 0x04, PROGRESS): {
        0x1000: "Presence Detect",
        0x1001: "Configuration",
    },
    (COMPUTING_UNIT, 0x04, ERROR): {
        0x1000: "Invalid Type",
        0x1001: "Invalid Speed",
        0x1002: "Invalid Size",
        0x1003: "Mismatch",
    },
    (COMPUTING_UNIT, 0x05, PROGRESS): {
        0x1000: "SPD Read",
        0x1001: "Presence Detect",
        0x1002: "Timing",
        0x1003: "Configuring",
        0x1004: "Optimizing",
        0x1005: "Init",
        0x1006: "Test",
    },
    (COMPUTING_UNIT, 0x05, ERROR): {
        0x1000: "Invalid Type",
        0x1001: "Invalid Speed",
        0x1002: "Correctable",
        0x1003: "Uncorrectable",
        0x1004: "SPD Fail",
        0x1005: "Invalid Size",
        0x1006: "Mismatch",
        0x1007: "S3 Resume Fail",
        0x1008: "Update Fail",
        0x1009: "None Detected",
        0x100A: "None Useful",
    },
    (COMPUTING_UNIT, 0x06, PROGRESS): {
        0x1000: "PEI CAR South Bridge Init",
        0x1001: "PEI CAR North Bridge Init",
        0x1002: "PEI Memory South Bridge Init",
        0x1003: "PEI Memory North Bridge Init",
        0x1004: "DXE Host Bridge Init",
        0x1005: "DXE North Bridge Init",
        0x1006: "DXE North Bridge SMM Init",
        0x1007: "DXE South Bridge Runtime Init",
        0x1008: "DXE South Bridge Init",
        0x1009: "DXE South Bridge SMM Init",
        0x100A: "DXE South Bridge Devices Init",
    },
    (COMPUTING_UNIT, 0x06, ERROR): {
        0x1000: "Bad Battery",
        0x1001: "DXE North Bridge Error",
        0x1002: "DXE South Bridge Error",
    },
    (PERIPHERAL, 0x01, PROGRESS): {
        0x1000: "Clear Buffer",
        0x1001: "Self Test",
    },
    (PERIPHERAL, 0x01, ERROR): {
        0x1000: "Locked",
        0x1001: "Stuck Key",
    },
    (PERIPHERAL, 0x02, PROGRESS): {
        0x1000: "Self Test",
    },
    (PERIPHERAL, 0x02, ERROR): {
        0x1000: "Locked",
    },
    (PERIPHERAL, 0x05, PROGRESS): {
        0x1000: "Clear Buffer",
    },
    (IO_BUS, 0x01, PROGRESS): {
        0x1000: "Bus Enumeration",
        0x1001: "Resource Allocation",
        0x1002: "Hot-Plug Controller Init",
    },
    (IO_BUS, 0x01, ERROR): {
        0x1000: "Parity Error (PERR)",
        0x1001: "System Error (SERR)",
    },
    (SOFTWARE, 0x01, PROGRESS): {
        0x1000: "Entry Point",
        0x1001: "Handoff to Next",
    },
    (SOFTWARE, 0x02, PROGRESS): PHASE_CORE_PROGRESS,
    (SOFTWARE, 0x02, ERROR): {
        0x1000: "DXE Corrupt",
        0x1001: "DXE IPL Not Found",
        0x1002: "Memory Not Installed",
    },
    (SOFTWARE, 0x03, PROGRESS): {
        0x1000: "Recovery Begin",
        0x1001: "Capsule Load",
        0x1002: "Capsule Start",
        0x1003: "Recovery User",
        0x1004: "Recovery Auto",
        0x1005: "S3 Boot Script",
        0x1006: "OS Wake",
    },
    (SOFTWARE, 0x03, ERROR): {
        0x1000: "No Recovery Capsule",
        0x1001: "Invalid Capsule Descriptor",
        0x1002: "S3 Resume PPI Not Found",
        0x1003: "S3 Boot Script Error",
        0x1004: "S3 OS Wake Error",
        0x1005: "S3 Resume Failed",
        0x1006: "Recovery PPI Not Found",
        0x1007: "Recovery Failed",
    },
    (SOFTWARE, 0x04, PROGRESS): {
        **PHASE_CORE_PROGRESS,
        0x1003: "Start Driver",
        0x1004: "Architectural Protocols Ready",
    },
    (SOFTWARE, 0x04, ERROR): {
        0x1000: "No Architectural Protocol",
    },
    (SOFTWARE, 0x05, PROGRESS): {
        0x1000: "Legacy Option ROM Init",
        0x1001: "Ready to Boot Event",
        0x1002: "Legacy Boot Event",
        0x1003: "Exit Boot Services Event",
        0x1004: "Virtual Address Change Event",
        0x1005: "Variable Services Init",
        0x1006: "Variable Reclaim",
        0x1007: "Attempt Boot Order Event",
        0x1008: "Configuration Reset",
        0x1009: "CSM Init",
    },
    (SOFTWARE, 0x05, ERROR): {
        0x1000: "Legacy Option ROM No Space",
        0x1001: "Invalid Password",
        0x1002: "Boot Option Load Error",
        0x1003: "Boot Option Failed",
        0x1004: "Invalid IDE Password",
    },
    (SOFTWARE, 0x0A, PROGRESS): PHASE_CORE_PROGRESS,
    (SOFTWARE, 0x0B, PROGRESS): {
        0x1000: "Entry Point",
        0x1001: "Return to Last",
    },
    (SOFTWARE, 0x0C, ERROR): {
        0x0000: "Undefined",
        0x0001: "Divide Error",
        0x0002: "Debug",
        0x0003: "Breakpoint",
        0x0004: "Overflow",
        0x0005: "Invalid Opcode",
        0x0006: "Stack Fault",
        0x0007: "Alignment Check",
        0x0008: "Instruction Encoding",
        0x0009: "Bad Break",
        0x000A: "Single Step",
    },
    (SOFTWARE, 0x0D, ERROR): X86_EXCEPTIONS,
    (SOFTWARE, 0x0F, PROGRESS): {
        0x1000: "InstallPpi",
        0x1001: "ReInstallPpi",
        0x1002: "LocatePpi",
        0x1003: "NotifyPpi",
        0x1004: "GetBootMode",
        0x1005: "SetBootMode",
        0x1006: "GetHobList",
        0x1007: "CreateHob",
        0x1008: "FfsFindNextVolume",
        0x1009: "FfsFindNextFile",
        0x100A: "FfsFindSectionData",
        0x100B: "InstallPeiMemory",
        0x100C: "AllocatePages",
        0x100D: "AllocatePool",
        0x100E: "CopyMem",
        0x100F: "SetMem",
        0x1010: "ResetSystem",
        0x1011: "FfsFindFileByName",
        0x1012: "FfsGetFileInfo",
        0x1013: "FfsGetVolumeInfo",
        0x1014: "FfsRegisterForShadow",
    },
    (SOFTWARE, 0x0F, ERROR): {
        0x1000: "Reset Not Available",
        0x1001: "Memory Installed Twice",
    },
    (SOFTWARE, 0x10, PROGRESS): {
        0x1000: "RaiseTPL",
        0x1001: "RestoreTPL",
        0x1002: "AllocatePages",
        0x1003: "FreePages",
        0x1004: "GetMemoryMap",
        0x1005: "AllocatePool",
        0x1006: "FreePool",
        0x1007: "CreateEvent",
        0x1008: "SetTimer",
        0x1009: "WaitForEvent",
        0x100A: "SignalEvent",
        0x100B: "CloseEvent",
        0x100C: "CheckEvent",
        0x100D: "InstallProtocolInterface",
        0x100E: "ReinstallProtocolInterface",
        0x100F: "UninstallProtocolInterface",
        0x1010: "HandleProtocol",
        0x1011: "PCHandleProtocol",
        0x1012: "RegisterProtocolNotify",
        0x1013: "LocateHandle",
        0x1014: "InstallConfigurationTable",
        0x1015: "LoadImage",
        0x1016: "StartImage",
        0x1017: "Exit",
        0x1018: "UnloadImage",
        0x1019: "ExitBootServices",
        0x101A: "GetNextMonotonicCount",
        0x101B: "Stall",
        0x101C: "SetWatchdogTimer",
        0x101D: "ConnectController",
        0x101E: "DisconnectController",
        0x101F: "OpenProtocol",
        0x1020: "CloseProtocol",
        0x1021: "OpenProtocolInformation",
        0x1022: "ProtocolsPerHandle",
        0x1023: "LocateHandleBuffer",
        0x1024: "LocateProtocol",
        0x1025: "InstallMultipleProtocolInterfaces",
        0x1026: "UninstallMultipleProtocolInterfaces",
        0x1027: "CalculateCrc32",
        0x1028: "CopyMem",
        0x1029: "SetMem",
        0x102A: "CreateEventEx",
    },
    (SOFTWARE, 0x11, PROGRESS): {
        0x1000: "GetTime",
        0x1001: "SetTime",
        0x1002: "GetWakeupTime",
        0x1003: "SetWakeupTime",
        0x1004: "SetVirtualAddressMap",
        0x1005: "ConvertPointer",
        0x1006: "GetVariable",
        0x1007: "GetNextVariableName",
        0x1008: "SetVariable",
        0x1009: "GetNextHighMonotonicCount",
        0x100A: "ResetSystem",
        0x100B: "UpdateCapsule",
        0x100C: "QueryCapsuleCapabilities",
        0x100D: "QueryVariableInfo",
    },
    (SOFTWARE, 0x12, PROGRESS): {
        0x1000: "AddMemorySpace",
        0x1001: "AllocateMemorySpace",
        0x1002: "FreeMemorySpace",
        0x1003: "RemoveMemorySpace",
        0x1004: "GetMemorySpaceDescriptor",
        0x1005: "SetMemorySpaceAttributes",
        0x1006: "GetMemorySpaceMap",
        0x1007: "AddIoSpace",
        0x1008: "AllocateIoSpace",
        0x1009: "FreeIoSpace",
        0x100A: "RemoveIoSpace",
        0x100B: "GetIoSpaceDescriptor",
        0x100C: "GetIoSpaceMap",
        0x100D: "Dispatch",
        0x100E: "Schedule",
        0x100F: "Trust",
        0x1010: "ProcessFirmwareVolume",
    },
    (SOFTWARE, 0x13, ERROR): X86_EXCEPTIONS,
    (SOFTWARE, 0x14, ERROR): {
        0x0000: "Reset",
        0x0001: "Undefined Instruction",
        0x0002: "Software Interrupt",
        0x0003: "Prefetch Abort",
        0x0004: "Data Abort",
        0x0005: "Reserved",
        0x0006: "IRQ",
        0x0007: "FIQ",
    },
}


class Description(NamedTuple):
    """One status code by name; a name is None where the value is not defined."""
    code_type: int
    value: int
    type_name: Optional[str]
    severity: Optional[str]
    class_name: Optional[str]
    subclass: Optional[str]
    operation: Optional[str]
    operation_range: str  # "common", "subclass-specific" or "OEM-specific"
    text: str


def _operation(class_code, subclass, kind, operation):
    if kind == DEBUG:
        return DEBUG_OPERATIONS.get(operation)
    own = SUBCLASS_OPERATIONS.get((class_code, subclass, kind), {})
    # A subclass that numbers its operations from 0 replaces the common ones.
    if operation >= SUBCLASS_SPECIFIC or min(own, default=SUBCLASS_SPECIFIC) < SUBCLASS_SPECIFIC:
        return own.get(operation)
    return COMMON_OPERATIONS.get((class_code, kind), {}).get(operation)


def _range(operation):
    if operation >= OEM_SPECIFIC:
        return "OEM-specific"
    return "subclass-specific" if operation >= SUBCLASS_SPECIFIC else "common"


def describe(code_type: int, value: int) -> Description:
    kind = code_type & TYPE_MASK
    severity_bits = code_type & SEVERITY_MASK
    class_code = value >> CLASS_SHIFT
    subclass_code = (value >> SUBCLASS_SHIFT) & 0xFF
    operation_code = value & OPERATION_MASK
    type_name = TYPES.get(kind)
    severity = SEVERITIES.get(severity_bits) if kind == ERROR else None

    head = type_name or "unknown type 0x%02X" % kind
    if kind == ERROR and not severity_bits:
        head += " (no severity)"
    elif kind == ERROR:
        head += " (%s)" % (severity or "unknown severity 0x%08X" % severity_bits)
    elif severity_bits:
        head += " (unknown severity 0x%08X)" % severity_bits

    class_name, subclasses = CLASSES.get(class_code, (None, {}))
    subclass = subclasses.get(subclass_code)
    operation = None
    if class_name is not None and type_name is not None:
        operation = _operation(class_code, subclass_code, kind, operation_code)
    operation_range = _range(operation_code)

    if class_name is None:
        path = "unknown class 0x%02X / subclass 0x%02X / operation 0x%04X" % (
            class_code, subclass_code, operation_code)
    else:
        shown_operation = operation
        if shown_operation is None:
            shown_operation = "unknown %s operation 0x%04X" % (operation_range, operation_code)
        path = "%s / %s / %s" % (class_name, subclass or "unknown subclass 0x%02X" % subclass_code,
                                 shown_operation)
    return Description(code_type, value, type_name, severity, class_name, subclass, operation,
                       operation_range, "%s: %s" % (head, path))
