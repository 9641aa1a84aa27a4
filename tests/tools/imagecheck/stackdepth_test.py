# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""The stack figure's reading of disassembly: a frame's own bytes are counted once, from
-fstack-usage, and a call adds only what is pushed for it."""

import unittest

import stackdepth

# clang's prologue with a frame pointer and a realigned stack, as llvm-objdump -dr prints it.
REALIGNED = """
00000000 <?Reporter@@YAXI@Z>:
       0:      	pushl	%ebp
       1:      	movl	%esp, %ebp
       3:      	pushl	%edi
       4:      	pushl	%esi
       5:      	andl	$-8, %esp
       8:      	subl	$SIZE, %esp{comment}
       e:      	calll	0x13 <?Reporter@@YAXI@Z+0x13>
		0000000f:  IMAGE_REL_I386_REL32	?LevelMask@@YAIXZ
      13:      	pushl	$33
      15:      	pushl	%eax
      16:      	calll	0x1b <?Reporter@@YAXI@Z+0x1b>
		00000017:  IMAGE_REL_I386_REL32	?Record@@YAXPAXI@Z
      1b:      	addl	$8, %esp
      1e:      	leal	-8(%ebp), %esp
      21:      	popl	%esi
      22:      	popl	%edi
      23:      	popl	%ebp
      24:      	retl
"""

FRAMES = {"?Reporter@@YAXI@Z": 0, "?LevelMask@@YAIXZ": 0, "?Record@@YAXPAXI@Z": 0}


class PushedAtCallTest(unittest.TestCase):
    def test_prologue_is_not_pushed(self):
        # Frames below 256 bytes print without an "# imm" comment, larger ones with it.
        for size, comment in ((232, ""), (280, "              # imm = 0x118")):
            with self.subTest(size=size):
                text = REALIGNED.replace("SIZE", str(size)).format(comment=comment)
                calls = stackdepth.calls_in_disassembly(text, FRAMES, {})
                self.assertEqual(calls["?Reporter@@YAXI@Z"],
                                 [("?LevelMask@@YAIXZ", 0), ("?Record@@YAXPAXI@Z", 8)])

    def test_stack_adjusted_after_the_prologue_is_pushed(self):
        text = REALIGNED.replace("SIZE", "232").format(comment="").replace(
            "      13:      	pushl	$33", "      12:      	subl	$16, %esp\n      13:      	pushl	$33")
        calls = stackdepth.calls_in_disassembly(text, FRAMES, {})
        self.assertEqual(calls["?Reporter@@YAXI@Z"][1], ("?Record@@YAXPAXI@Z", 24))


if __name__ == "__main__":
    unittest.main()
