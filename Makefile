# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# The project's two commands: `make demo` (the main job) and `make test`.
BUILD       ?= build
TREES       := host-x64 host-ia32 uefi-x64 uefi-ia32
FUZZ_SECONDS ?= 30
CMAKE_BUILD := cmake --build
JOBS        ?= $(shell nproc)
# The project version, set in one place: project() in CMakeLists.txt.
VERSION     := $(shell sed -n 's/^project(ComLink VERSION \([0-9.]*\) .*)$$/\1/p' CMakeLists.txt)
# The firmware volume: its flash address and size, and the images it holds. make install and
# make dist ship the same list.
FV_BASE     ?= 0xFFE00000
FV_SIZE     ?= 0x10000
FV_DXE      := $(BUILD)/uefi-x64/ComLinkDxe.efi $(BUILD)/uefi-x64/PcUartAccessDxe.efi
FV_PEI      := $(BUILD)/uefi-ia32/SerialTracePei.efi
FV_IMAGES   := $(FV_DXE) $(FV_PEI)
# make install: under PREFIX (staged below DESTDIR when that is set).
PREFIX      ?= /usr/local
DESTDIR     ?=
# make dist: the release bundle; its files are dated at the last commit.
DIST_NAME   := comlink-$(VERSION)
DIST_STAGE  := $(BUILD)/dist/stage/$(DIST_NAME)
DIST_TAR    := $(BUILD)/dist/$(DIST_NAME).tar.gz
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || echo 0)

.PHONY: all bootstrap $(TREES) tools fv sign install dist dist-check test licence-check test-host \
        test-settings test-mmio test-tools test-fwpack image-check c-headers test-boot demo bench fuzz coverage \
        format format-check tidy clean

all: $(TREES) fv

bootstrap:
	@tools/bootstrap.sh

$(TREES) host-x64-settings host-x64-bench host-x64-fuzz host-x64-coverage: bootstrap
	@cmake --preset $@ -B $(BUILD)/$@ >/dev/null
	@$(CMAKE_BUILD) $(BUILD)/$@ -j$(JOBS)

# debugcfg as installed: optimised, without sanitizers or GoogleTest.
tools: bootstrap
	@cmake --preset tools -B $(BUILD)/tools >/dev/null
	@$(CMAKE_BUILD) $(BUILD)/tools -j$(JOBS) --target debugcfg

test: licence-check all test-host test-settings test-mmio test-tools test-fwpack image-check c-headers test-boot \
      dist-check

licence-check:
	python3 tools/licencecheck.py

# The version sections carry the project version CMake was configured with.
fv: uefi-x64 uefi-ia32
	@python3 tools/fwpack volume --base $(FV_BASE) --size $(FV_SIZE) --out $(BUILD)/fv \
	    --version $$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' $(BUILD)/uefi-ia32/CMakeCache.txt) \
	    $(FV_IMAGES)

# Signed copies of the DXE images in $(BUILD)/signed, for platforms that load drivers from disk
# under Secure Boot: make sign KEY=db.key CERT=db.crt
sign: uefi-x64
	@test -n "$(KEY)" -a -n "$(CERT)" || { echo "make sign needs KEY=<private key> CERT=<certificate>" >&2; exit 1; }
	@mkdir -p $(BUILD)/signed
	@for image in $(FV_DXE); do \
	    sbsign --key $(KEY) --cert $(CERT) --output $(BUILD)/signed/$$(basename $$image) $$image || exit 1; done

# Images, headers (include/comlink), debugcfg, statusdecode, fwpack, the man page and the docs.
install: uefi-x64 uefi-ia32 tools
	@tools/install.sh $(BUILD) $(VERSION) "$(DESTDIR)$(PREFIX)" $(FV_IMAGES)
	@echo "installed ComLink $(VERSION) in $(DESTDIR)$(PREFIX)"

# What install puts in place, plus the FFS files and the volume (share/comlink/firmware/fv).
dist: uefi-x64 uefi-ia32 tools fv
	@rm -rf $(BUILD)/dist/stage
	@tools/install.sh $(BUILD) $(VERSION) $(DIST_STAGE) $(FV_IMAGES)
	@mkdir -p $(DIST_STAGE)/share/comlink/firmware/fv
	@install -m 0644 $(BUILD)/fv/* $(DIST_STAGE)/share/comlink/firmware/fv/
	@SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) python3 tools/dist.py $(DIST_STAGE) $(DIST_TAR)
	@echo "$(DIST_TAR): $$(wc -c < $(DIST_TAR)) bytes, sha256 $$(sha256sum $(DIST_TAR) | cut -c1-16)..."

# Two bundles made one after the other are the same bytes, and the bundle's tools run.
dist-check: dist
	@cp $(DIST_TAR) $(BUILD)/dist/first.tar.gz
	@$(MAKE) --no-print-directory dist >/dev/null
	@cmp $(BUILD)/dist/first.tar.gz $(DIST_TAR) && echo "dist: two runs gave identical bytes"
	@python3 tests/tools/dist/bundle_check.py $(DIST_TAR) $(VERSION) $(notdir $(FV_IMAGES))

# The comlink suite also reads the debug name out of the real driver image.
test-host: host-x64 host-ia32 uefi-x64
	cd $(BUILD)/host-x64 && COMLINK_DXE_IMAGE=$(CURDIR)/$(BUILD)/uefi-x64/ComLinkDxe.efi ctest --output-on-failure -j$(JOBS)
	cd $(BUILD)/host-ia32 && COMLINK_DXE_IMAGE=$(CURDIR)/$(BUILD)/uefi-x64/ComLinkDxe.efi ctest --output-on-failure -j$(JOBS)

# The host suites again in a tree configured with platform settings other than the defaults
# (the host-x64-settings preset): they read the settings the tree was configured with.
test-settings: host-x64-settings uefi-x64
	cd $(BUILD)/host-x64-settings && COMLINK_DXE_IMAGE=$(CURDIR)/$(BUILD)/uefi-x64/ComLinkDxe.efi ctest --output-on-failure -j$(JOBS)

# ComLinkDxe's suites and replays once more with its debug UART memory-mapped (the
# host-x64-mmio preset), emulated in the processor seam's memory space. Only what reads
# that setting is built.
MMIO_TARGETS := serial_dxe_tests replay_serial_io replay_remaining_path
test-mmio: bootstrap
	@cmake --preset host-x64-mmio -B $(BUILD)/host-x64-mmio >/dev/null
	@$(CMAKE_BUILD) $(BUILD)/host-x64-mmio -j$(JOBS) --target $(MMIO_TARGETS)
	cd $(BUILD)/host-x64-mmio && ctest --output-on-failure -j$(JOBS) -R '^(serial_dxe|fuzz/serial_io|fuzz/remaining_path)'

test-tools:
	python3 -m unittest discover -s tests/tools/statusdecode
	python3 -m unittest discover -s tests/cmake -p '*_test.py'
	PYTHONPATH=tools python3 -m unittest discover -s tests/tools/dist -p '*_test.py'
	groff -man -ww -z tools/debugcfg/debugcfg.1
	PYTHONPATH=tools python3 -m unittest discover -s tests/tools/fwpack -p '*_test.py'
	PYTHONPATH=tools python3 -m unittest discover -s tests/tools/imagecheck -p '*_test.py'

# Tools written elsewhere read what fwpack made; the signed driver boots.
test-fwpack: fv
	python3 tests/tools/fwpack/independent_check.py --build $(BUILD)

# Platform C code: the public headers as C99 (and older C++) with every compiler and target.
c-headers:
	@tests/include/c_headers.sh $(BUILD)/c-headers

image-check: fv
	python3 tools/imagecheck.py --version $(VERSION) $(BUILD)/uefi-x64/ComLinkDxe.efi:x64 \
	    $(BUILD)/uefi-x64/PcUartAccessDxe.efi:x64 \
	    $(BUILD)/uefi-ia32/SerialTracePei.efi:ia32:xip $(BUILD)/fv/SerialTracePei.te:ia32:te

# The PEI boots dispatch SerialTracePei from the volume make fv wrote.
test-boot: uefi-x64 uefi-ia32 tools fv
	@BUILD=$(BUILD) FV_BASE=$(FV_BASE) qemu/test.sh

demo: uefi-x64 uefi-ia32 fv
	@BUILD=$(BUILD) FV_BASE=$(FV_BASE) qemu/demo.sh

bench: host-x64-bench
	@for b in $(BUILD)/host-x64-bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true

# Each target grows its corpus in $(BUILD)/fuzz-corpus/<name> (kept between
# runs), seeded from the checked-in fuzz/<name>/corpus that make test replays.
fuzz: host-x64-fuzz
	@for f in $(BUILD)/host-x64-fuzz/fuzz/fuzz_*; do \
	    [ -x "$$f" ] || continue; n=$$(basename $$f); t=$${n#fuzz_}; \
	    mkdir -p $(BUILD)/fuzz-corpus/$$t; echo "== $$n ($(FUZZ_SECONDS) s)"; \
	    "$$f" -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=$(BUILD)/$$n- \
	        $(BUILD)/fuzz-corpus/$$t fuzz/$$t/corpus > $(BUILD)/$$n.log 2>&1 \
	        || { tail -n 40 $(BUILD)/$$n.log; exit 1; }; \
	    grep -E '^#[0-9]+.*DONE' $(BUILD)/$$n.log | tail -n 1; done

# Line and branch coverage of each module folder from the host suites.
coverage: host-x64-coverage
	@rm -rf $(BUILD)/host-x64-coverage/profiles
	@cd $(BUILD)/host-x64-coverage && \
	    LLVM_PROFILE_FILE=$(CURDIR)/$(BUILD)/host-x64-coverage/profiles/%p.profraw \
	    ctest -j$(JOBS) > ctest.log || { tail -n 40 ctest.log; exit 1; }
	@python3 tools/coverage.py $(BUILD)/host-x64-coverage

format:
	git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format -i

# What .ci/run checks: every tracked source already in the repository's format.
format-check:
	git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

tidy: host-x64
	git ls-files '*.cpp' | grep -vE '^(tests|bench|fuzz|qemu)/' | \
	    xargs clang-tidy -p $(BUILD)/host-x64 --quiet

clean:
	rm -rf $(BUILD)
