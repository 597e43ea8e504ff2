# The two commands the README names, plus a few conveniences.
JOBS ?= $(shell nproc)
TEST_BUILD := build
RUN_BUILD := build-release
FUZZ_BUILD := build-fuzz
TSAN_BUILD := build-tsan
# Where `make install` puts Tolvar; DESTDIR stages it elsewhere, as packagers do.
PREFIX ?= /usr/local
# How long `make fuzz` runs each fuzz target; `make test` gives each 20 seconds.
FUZZ_SECONDS ?= 60
WERROR := $(if $(CI),ON,OFF)

.PHONY: run test deps bench fuzz format install

deps:
	@scripts/install-deps.sh

run: deps
	cmake -S . -B $(RUN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAR_WERROR=$(WERROR)
	cmake --build $(RUN_BUILD) -j $(JOBS) --target tolvar
	exec $(RUN_BUILD)/tolvar/app/tolvar

# A value as one shell word, whatever characters it holds.
quoted = '$(subst ','\'',$(1))'
# A path as one shell word, with a leading ~ or ~user meaning a home folder as it would unquoted: ~user is
# looked up by name only (getent also takes a number), and left as it is when there is no such user.
home_path = "$$(p=$(call quoted,$(1)); case $$p in \
	"~" | "~/"*) p=$$HOME$${p\#"~"} ;; \
	"~"*) u=$${p%%/*}; u=$${u\#"~"}; e=$$(getent passwd -- "$$u"); \
		[ "$${e%%:*}" = "$$u" ] && p=$$(printf %s "$$e" | cut -d: -f6)$${p\#"~$$u"} ;; \
	esac; printf %s "$$p")"

install: deps
	cmake -S . -B $(call quoted,$(RUN_BUILD)) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAR_WERROR=$(WERROR)
	cmake --build $(call quoted,$(RUN_BUILD)) -j $(JOBS) --target tolvar
	DESTDIR=$(call home_path,$(DESTDIR)) cmake --install $(call quoted,$(RUN_BUILD)) --prefix $(call home_path,$(PREFIX))

test: deps
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVAR_SANITIZE=ON -DTOLVAR_WERROR=$(WERROR)
	cmake --build $(TEST_BUILD) -j $(JOBS)
	scripts/run-tests.sh $(TEST_BUILD)
	JOBS=$(JOBS) WERROR=$(WERROR) scripts/run-tsan.sh $(TSAN_BUILD)
	JOBS=$(JOBS) scripts/run-fuzz.sh $(FUZZ_BUILD) 20

fuzz: deps
	JOBS=$(JOBS) scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps
	cmake -S . -B $(RUN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVAR_TESTS=ON -DTOLVAR_WERROR=$(WERROR)
	cmake --build $(RUN_BUILD) -j $(JOBS)
	bench/run.sh $(RUN_BUILD)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i
