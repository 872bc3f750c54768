# The project's commands. `make test` and `make demo` set up a fresh Debian 12
# machine by themselves (scripts/bootstrap installs what is missing).
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
RELEASE_BUILD ?= build-release
JOBS ?= 2

# Warnings are errors in the project's own checks, not in a user's build or install.
# Left unset (make build, demo, install) a build directory keeps what it was configured
# with, so switching between commands does not recompile everything.
test test-sanitize package-check: WERROR = ON
WERROR_OPTION = $(if $(WERROR),-DKARVO_WERROR=$(WERROR))

.PHONY: bootstrap build test test-sanitize package-check demo bench install

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR_OPTION) >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

test-sanitize: bootstrap
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKARVO_SANITIZE=ON $(WERROR_OPTION) >/dev/null
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j$(JOBS)

# What a user's release build makes, shared: the library and the module built at -O3,
# installed and checked from a program's side (tests/install/check_install).
package-check: bootstrap
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DKARVO_BUILD_TESTS=OFF \
		$(WERROR_OPTION) >/dev/null
	cmake --build $(RELEASE_BUILD) -j$(JOBS)
	ctest --test-dir $(RELEASE_BUILD) --output-on-failure

demo: build
	KARVO_MODULE_DIR=$(BUILD)/lua lua5.1 examples/demo.lua
	$(BUILD)/examples/styled_book /tmp/karvo_styled

install: build
	cmake --install $(BUILD)
