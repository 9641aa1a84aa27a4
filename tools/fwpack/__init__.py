# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""fwpack: the modules as FFS files and a firmware volume, with SerialTracePei
as a rebased TE image. Standard library only."""


class FwpackError(Exception):
    """An input the tool refuses; the message says which and why."""
