;;; editor_latency.el --- typed -> diagnostic shown, in Emacs with eglot  -*- lexical-binding: t -*-

;; Loaded by editor_latency.sh into an Emacs on a terminal that read
;; docs/editors.md's set-up and visited the example line description.
;; $BINARIO_LATENCY_ROUNDS times, a pause, then keys typed as a user types
;; them: on the first speed board C-a C-k C-k C-y C-y (the line twice: a
;; second board on its cell, a clash) and, once its diagnostic is shown,
;; C-p C-k C-k (the clash gone).  Each is timed from the last change of the
;; buffer (after-change-functions) to Flymake's handling of the report that
;; brings the diagnostics expected (its overlays made).  Writes one line per
;; time to $BINARIO_LATENCY_OUT and ends Emacs.

(require 'cl-lib)
(require 'eglot)
(require 'flymake)

(defvar binario-latency--out (getenv "BINARIO_LATENCY_OUT"))
(defvar binario-latency--rounds
  (string-to-number (or (getenv "BINARIO_LATENCY_ROUNDS") "20")))
(defvar binario-latency--buffer nil)
(defvar binario-latency--first nil "Position of the first speed board.")
(defvar binario-latency--changed-at nil)
(defvar binario-latency--shown-at nil)
(defvar binario-latency--expected nil "How many diagnostics make the step shown.")

(defun binario-latency--write (format-string &rest args)
  (let ((coding-system-for-write 'utf-8-unix))
    (write-region (concat (apply #'format format-string args) "\n") nil
                  binario-latency--out 'append 'silent)))

(defun binario-latency--fail (format-string &rest args)
  (binario-latency--write "editor_latency: %s" (apply #'format format-string args))
  (kill-emacs 1))

(defun binario-latency--changed (&rest _)
  (setq binario-latency--changed-at (float-time)))

(defun binario-latency--reported (&rest _)
  (when (and (eq (current-buffer) binario-latency--buffer)
             binario-latency--expected
             (not binario-latency--shown-at)
             (= (length (flymake-diagnostics)) binario-latency--expected))
    (setq binario-latency--shown-at (float-time))))

(defun binario-latency--after (what predicate wait next)
  "After WAIT seconds, calls NEXT once PREDICATE holds; fails naming WHAT
when it does not within 10 s.  Polls from a timer, so that the command loop
goes on reading the typed keys and running eglot's timers."
  (let ((deadline (+ (float-time) wait 10))
        (timer nil))
    (setq timer
          (run-with-timer
           wait 0.01
           (lambda ()
             (with-current-buffer binario-latency--buffer
               (cond ((funcall predicate)
                      (cancel-timer timer)
                      (funcall next))
                     ((> (float-time) deadline)
                      (cancel-timer timer)
                      (binario-latency--fail "%s within 10 s" what)))))))))

(defun binario-latency--step (keys expected what next)
  "After a pause, types KEYS and, once EXPECTED diagnostics are shown,
writes the time as WHAT and calls NEXT."
  (binario-latency--after
   "the pause" #'always 0.4
   (lambda ()
     (setq binario-latency--expected expected
           binario-latency--shown-at nil)
     (setq unread-command-events
           (append unread-command-events (listify-key-sequence (kbd keys))))
     (binario-latency--after
      (format "%s: %d diagnostics" what expected)
      (lambda () binario-latency--shown-at) 0
      (lambda ()
        (binario-latency--write "%s %.1f" what
                                (* 1000 (- binario-latency--shown-at
                                           binario-latency--changed-at)))
        (funcall next))))))

(defun binario-latency--round (left)
  (if (= left 0)
      (kill-emacs 0)
    (goto-char binario-latency--first)
    (binario-latency--step
     "C-a C-k C-k C-y C-y" 1 "shown"
     (lambda ()
       (binario-latency--step "C-p C-k C-k" 0 "cleared"
                              (lambda () (binario-latency--round (1- left))))))))

(defun binario-latency--start ()
  (setq binario-latency--buffer (find-buffer-visiting (getenv "BINARIO_LATENCY_FILE")))
  (unless binario-latency--buffer
    (binario-latency--fail "%s was not visited" (getenv "BINARIO_LATENCY_FILE")))
  (switch-to-buffer binario-latency--buffer)
  (goto-char (point-min))
  (unless (re-search-forward "^indicatori_vmax" nil t)
    (binario-latency--fail "the example has no speed board"))
  (setq binario-latency--first (line-beginning-position))
  (add-hook 'after-change-functions #'binario-latency--changed nil t)
  (advice-add 'flymake--handle-report :after #'binario-latency--reported)
  (binario-latency--after "the server did not attach"
                          (lambda () (and eglot--managed-mode (eglot-current-server)))
                          0
                          ;; The first check of the text as visited, then the rounds.
                          (lambda ()
                            (binario-latency--after "the first check" #'always 2
                                                    (lambda ()
                                                      (binario-latency--round
                                                       binario-latency--rounds))))))

;; Starts once the command loop runs: eglot connects from it.
(run-with-timer 0 nil #'binario-latency--start)

;;; editor_latency.el ends here
