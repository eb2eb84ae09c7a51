# The two commands a new user needs: `make demo` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DQM_WERROR=ON
endif

PREFIX ?= $(HOME)/.local

.PHONY: all bootstrap configure build program demo test fuzz install uninstall deb clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

# Everything: the program, the test programs and the benchmarks.
build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Only the program and the libraries it links; the test programs take far
# longer to build and the demo and the installation do not need them.
program: configure
	cmake --build $(BUILD) -j$(JOBS) --target Quillmere

demo: program
	scripts/demo $(BUILD)

test: bootstrap
	scripts/test-all

FUZZ_SECONDS ?= 60
fuzz: bootstrap
	scripts/fuzz $(FUZZ_SECONDS)

install: program
	scripts/install $(BUILD) $(PREFIX)

# The Debian package, system-wide: $(BUILD)/quillmere_<version>_<arch>.deb
deb: build
	scripts/make-deb $(BUILD)/Quillmere $(BUILD)

uninstall:
	scripts/install --uninstall $(PREFIX)

clean:
	rm -rf build build-asan build-fuzz
