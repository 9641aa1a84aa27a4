# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""The project's modules as FFS files: names, types, dependencies, image forms.
A new driver goes into MODULES; the volume takes whatever images it is given."""

import os

from fwpack import FwpackError, ffs, te
from fwpack.pe import MACHINE_IA32, MACHINE_X64, PeImage

# Dependencies, by the name the integration guide gives them.
CPU_ARCH = "26BACCB1-6F42-11D4-BCE7-0080C73C8881"
METRONOME_ARCH = "26BACCB2-6F42-11D4-BCE7-0080C73C8881"
RUNTIME_ARCH = "B7DFB4E1-052F-449F-87BE-9818FC91B733"
VARIABLE_ARCH = "1E5668E2-8481-11D4-BCF1-0080C73C8881"
STATUS_CODE_RUNTIME = "D2B2B828-0826-48A7-B3DF-983C006024F0"
PCI_ROOT_BRIDGE_IO = "2F707EBB-4A1A-11D4-9A38-0090273FC14D"
PEI_RSC_HANDLER_PPI = "0065D394-9951-4144-82A3-0AFC8579C251"
PEI_PCD_PPI = "01F34D25-4DE2-23AD-3FF3-36353FF323F1"

# An image that executes in place keeps the 32-byte section alignment it was
# linked with only if its first byte lies on such a boundary.
XIP_IMAGE_ALIGNMENT = 32


class Module:
    def __init__(self, name, guid, file_type, machine, depex):
        self.name = name
        self.guid = guid
        self.file_type = file_type
        self.machine = machine
        self.depex = depex

    @property
    def executes_in_place(self):
        return self.file_type == ffs.FILETYPE_PEIM

    @property
    def alignment(self):
        """(attribute bits, declared data alignment) of the module's file."""
        if not self.executes_in_place:
            return 0, 1
        return ffs.data_alignment_attribute(XIP_IMAGE_ALIGNMENT)


MODULES = {m.name: m for m in (
    Module("ComLinkDxe", "0D275C72-10C6-4D8C-8B2C-6610E69E3403", ffs.FILETYPE_DRIVER, MACHINE_X64,
           [CPU_ARCH, METRONOME_ARCH, RUNTIME_ARCH, VARIABLE_ARCH, STATUS_CODE_RUNTIME]),
    # After the PCI host bridge driver: with PCI I/O to come it binds instead of walking PCI.
    Module("PcUartAccessDxe", "419058C9-92FD-42D2-9381-42384EEF2047", ffs.FILETYPE_DRIVER,
           MACHINE_X64, [CPU_ARCH, RUNTIME_ARCH, VARIABLE_ARCH, STATUS_CODE_RUNTIME,
                         PCI_ROOT_BRIDGE_IO]),
    Module("SerialTracePei", "9708717F-F74A-4579-A894-00AEF8009511", ffs.FILETYPE_PEIM,
           MACHINE_IA32, [PEI_RSC_HANDLER_PPI, PEI_PCD_PPI]),
)}


def module_for(path):
    name = os.path.splitext(os.path.basename(path))[0]
    if name not in MODULES:
        raise FwpackError("%s: not one of this project's modules (%s)" %
                          (path, ", ".join(sorted(MODULES))))
    return MODULES[name]


class ModuleFile:
    """One module's FFS file, laid out before its address is known: the layout of an
    image that executes in place does not change when it is rebased."""

    def __init__(self, path, image, version, pe32=False):
        self.module = module_for(path)
        self.pe = PeImage(image, os.path.basename(path))
        module, pe = self.module, self.pe
        if pe.machine != module.machine:
            raise FwpackError("%s: machine 0x%x, but %s is built for 0x%x" %
                              (pe.name, pe.machine, module.name, module.machine))
        if module.executes_in_place and not pe.executes_in_place():
            raise FwpackError("%s: not laid out to execute in place (a section's file offset "
                              "differs from its address, or it is writable)" % pe.name)
        self.image_section_type = ffs.SECTION_PE32
        if module.executes_in_place and not pe32:
            self.image_section_type = ffs.SECTION_TE
        self.version = version
        self.alignment_attribute, self.data_alignment = module.alignment
        self.image = self._image(None)
        data, self.image_offset = self._layout(self.image)
        self.size = ffs.FILE_HEADER_SIZE + len(data)

    def _image(self, address):
        if self.image_section_type == ffs.SECTION_TE:
            return te.convert(self.pe, address)
        return self.pe.data if address is None else self.pe.rebased(address)

    def _layout(self, image):
        depex_type = ffs.SECTION_PEI_DEPEX if self.module.executes_in_place \
            else ffs.SECTION_DXE_DEPEX
        sections = [ffs.section(depex_type, ffs.depex(self.module.depex)),
                    ffs.section(self.image_section_type, image),
                    ffs.user_interface_section(self.module.name),
                    ffs.version_section(self.version)]
        alignment = XIP_IMAGE_ALIGNMENT if self.module.executes_in_place else 1
        data = ffs.join_sections(sections, 1, alignment)
        offset = len(ffs.join_sections(sections[:2], 1, alignment)) - len(image)
        return data, offset

    def build(self, file_address):
        """The file's bytes for its header at file_address; an image that executes in
        place is rebased to where it then lies (self.image is then that image)."""
        data_address = file_address + ffs.FILE_HEADER_SIZE
        if data_address % self.data_alignment:
            raise FwpackError("%s: a file at 0x%x has its data at 0x%x, not on the %d-byte "
                              "boundary the file declares" % (self.module.name, file_address,
                                                               data_address,
                                                               self.data_alignment))
        self.image_address = data_address + self.image_offset
        if self.module.executes_in_place:
            self.image = self._image(self.image_address)
        data, _ = self._layout(self.image)
        return ffs.ffs_file(self.module.guid, self.module.file_type, data,
                            self.alignment_attribute)
