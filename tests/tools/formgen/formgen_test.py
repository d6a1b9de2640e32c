"""The form generator (tools/formgen/formgen.py) on small texts: arrays, handler tables,
texts found by resource name, and texts it must refuse with the line at fault."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "formgen"))
import formgen  # noqa: E402

CLASSES = """\
# a comment line
TvxHudButton   vg::TvxHudButton   vg2d/controls/Buttons.h
TvxHudLabel    vg::TvxHudLabel    vg2d/controls/TextControls.h
TvxHudPanel    vg::TvxHudPanel    vg2d/controls/TextControls.h
TvxCircle      vg::TvxCircle      vg2d/core/Shapes.h
TdxScene       dx::TdxScene       scene3d/SceneControl.h
"""


class Generated:
    def __init__(self, header, source):
        self.header = header
        self.source = source


class FormGenCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def run_text(self, text, classes=CLASSES):
        with open(self.path("Form.txt"), "w", encoding="utf-8") as f:
            f.write(textwrap.dedent(text))
        with open(self.path("classes.txt"), "w", encoding="utf-8") as f:
            f.write(classes)
        formgen.main(["--form", self.path("Form.txt"), "--classes", self.path("classes.txt"), "--parts", "TFormParts",
                      "--header", self.path("out/Form.h"), "--source", self.path("out/Form.cpp"),
                      "--include-as", "app/ui/forms/Form.h"])
        with open(self.path("out/Form.h"), encoding="utf-8") as h, open(self.path("out/Form.cpp"), encoding="utf-8") as s:
            return Generated(h.read(), s.read())

    def refused(self, text, classes=CLASSES):
        """The generator's message for a text it refuses; nothing may be written then."""
        with self.assertRaises(SystemExit) as caught:
            self.run_text(text, classes)
        self.assertFalse(os.path.exists(self.path("out/Form.h")))
        self.assertFalse(os.path.exists(self.path("out/Form.cpp")))
        self.assertIsInstance(caught.exception.code, str)  # a message, so the exit status is 1
        return caught.exception.code


class Arrays(FormGenCase):
    def test_numbered_objects_make_one_array_bound_in_number_order(self):
        out = self.run_text("""\
            object Page_X: TPage_X
              object Circle_Lamp_2: TvxCircle
              end
              object Circle_Lamp_0: TvxCircle
              end
              object Circle_Lamp_1: TvxCircle
              end
              object HudPanel_Row_1: TvxHudPanel
                object HudPanel_Row_2: TvxHudPanel
                end
              end
              object HudPanel_Row_Extra: TvxHudPanel
              end
            end""")
        self.assertIn("std::array<vg::TvxCircle*, 3> Circle_Lamp{};", out.header)
        self.assertIn("std::array<vg::TvxHudPanel*, 2> HudPanel_Row{};", out.header)
        self.assertIn("vg::TvxHudPanel* HudPanel_Row_Extra = nullptr;", out.header)
        self.assertNotIn("Circle_Lamp_0 =", out.header)
        for k in range(3):
            self.assertIn(f'Bind(Parts.Circle_Lamp[{k}], "Circle_Lamp_{k}");', out.source)
        self.assertIn('Bind(Parts.HudPanel_Row[0], "HudPanel_Row_1");', out.source)
        self.assertIn('Bind(Parts.HudPanel_Row[1], "HudPanel_Row_2");', out.source)
        # The array takes the place of its first object in the text's order.
        self.assertLess(out.header.index("Circle_Lamp{}"), out.header.index("HudPanel_Row{}"))

    def test_numbers_that_do_not_run_from_0_or_1_without_a_gap_are_refused(self):
        gap = self.refused("""\
            object Page_X: TPage_X
              object Circle_Lamp_1: TvxCircle
              end
              object Circle_Lamp_3: TvxCircle
              end
            end""")
        self.assertRegex(gap, r"Form\.txt:2: error: .*Circle_Lamp_1\.\.Circle_Lamp_3 .*found 1, 3")
        late = self.refused("""\
            object Page_X: TPage_X
              object Circle_Lamp_2: TvxCircle
              end
            end""")
        self.assertIn("must run from 0 or 1", late)

    def test_an_array_of_mixed_classes_or_one_clashing_with_a_name_is_refused(self):
        mixed = self.refused("""\
            object Page_X: TPage_X
              object Lamp_1: TvxCircle
              end
              object Lamp_2: TvxHudPanel
              end
            end""")
        self.assertRegex(mixed, r"Form\.txt:4: error: Lamp_2 is a TvxHudPanel, but Lamp_1 is a TvxCircle")
        clash = self.refused("""\
            object Page_X: TPage_X
              object Lamp: TvxCircle
              end
              object Lamp_1: TvxCircle
              end
            end""")
        self.assertRegex(clash, r"Form\.txt:2: error: the name Lamp is also the array of Lamp_1\.\.Lamp_1")


class HandlerTables(FormGenCase):
    TEXT = """\
        object Form_X: TForm_X
          OnShow = FormShow
          object dxScene_X: TdxScene
            object HudButton_Go: TvxHudButton
              OnClick = HudButton_GoClick
              OnMouseLeave = AnyLeave
            end
            object HudLabel_Go: TvxHudLabel
              OnMouseLeave = AnyLeave
              Font.OnChanged = LabelFontChanged
            end
          end
        end"""

    def test_every_handler_the_text_names_is_published_once_in_text_order(self):
        out = self.run_text(self.TEXT)
        published = [line.strip() for line in out.header.splitlines() if "Builder.Method(" in line]
        self.assertEqual(published, [
            'Builder.Method("FormShow", &C::FormShow);',
            'Builder.Method("HudButton_GoClick", &C::HudButton_GoClick);',
            'Builder.Method("AnyLeave", &C::AnyLeave);',
            'Builder.Method("LabelFontChanged", &C::LabelFontChanged);',
        ])
        # Only the text's own window class takes them.
        self.assertIn("requires std::is_same_v<C, TForm_X>", out.header)
        self.assertIn("class TForm_X;", out.header)
        # The root is the window itself, not a part; the scene and the controls are.
        self.assertNotIn("Form_X =", out.header)
        self.assertIn("dx::TdxScene* dxScene_X = nullptr;", out.header)
        self.assertIn("namespace dx {\nclass TdxScene;\n}", out.header)

    def test_a_text_without_handlers_gets_no_table(self):
        out = self.run_text("""\
            object Page_X: TPage_X
              object HudLabel_A: TvxHudLabel
                OnlyText = True
              end
            end""")
        self.assertNotIn("FormHandlers", out.header)
        self.assertNotIn("TypInfo.h", out.header)

    def test_an_event_given_anything_but_a_handler_name_is_refused(self):
        message = self.refused("""\
            object Form_X: TForm_X
              object HudButton_Go: TvxHudButton
                OnClick = 'HudButton_GoClick'
              end
            end""")
        self.assertRegex(message, r"Form\.txt:3: error: the event OnClick must name a handler")


class ResourceNamedTexts(FormGenCase):
    def test_objects_are_found_under_the_root_by_resource_name_the_root_included(self):
        out = self.run_text("""\
            object TvxHudPanel
              ResourceName = 'Panel_Main'
              object TvxHudLabel
                ResourceName = 'Label_Main'
              end
              object TvxHudLabel
              end
            end""")
        self.assertIn("vg::TvxHudPanel* Panel_Main = nullptr;", out.header)
        self.assertIn("void BindFormParts(vg::TvxVisualObject* Root, const std::string& What, TFormParts& Parts);",
                      out.header)
        self.assertIn('Parts.Label_Main = vg::NeedPart<vg::TvxHudLabel>(Root, "Label_Main", What);', out.source)
        self.assertEqual(out.source.count("NeedPart<"), 2)
        self.assertIn('#include "vg2d/controls/FormContent.h"', out.source)

    def test_handlers_in_such_a_text_are_refused(self):
        message = self.refused("""\
            object TvxHudButton
              ResourceName = 'Button_OK'
              OnClick = Button_OKClick
            end""")
        self.assertRegex(message, r"Form\.txt:1: error: .*binds no handlers")


class MalformedTexts(FormGenCase):
    def test_text_that_does_not_parse_is_refused_with_its_line(self):
        cases = {
            "object Page_X: TPage_X\n  object HudLabel_A: TvxHudLabel\n    Text = 'open\n  end\nend\n":
                r"Form\.txt:3: error: unterminated string",
            "object Page_X: TPage_X\n  object HudLabel_A: TvxHudLabel\n  end\n":
                r"Form\.txt:4: error: 'object' expected, found the end of the text",
            "object Page_X: TPage_X\n  Width 3\nend\n":
                r"Form\.txt:2: error: '=' expected, found '3'",
            "object Page_X: TPage_X\nend\nend\n":
                r"Form\.txt:3: error: the text goes on after its root object's end",
            "object Page_X: TPage_X\n  Width = 1\n  Width = 2\nend\n":
                r"Form\.txt:3: error: the property Width is given twice",
            "":
                r"Form\.txt:1: error: 'object' expected",
        }
        for text, expected in cases.items():
            with self.subTest(text=text):
                self.assertRegex(self.refused(text), expected)

    def test_a_class_the_table_lacks_or_a_name_given_twice_is_refused(self):
        unknown = self.refused("""\
            object Page_X: TPage_X
              object HudGauge_A: TvxHudGauge
              end
            end""")
        self.assertRegex(unknown, r"Form\.txt:2: error: the class TvxHudGauge of HudGauge_A is not in the class table")
        twice = self.refused("""\
            object Page_X: TPage_X
              object HudLabel_A: TvxHudLabel
              end
              object HudLabel_A: TvxHudLabel
              end
            end""")
        self.assertRegex(twice, r"Form\.txt:4: error: the name HudLabel_A is given twice \(first on line 2\)")

    def test_the_build_step_fails_with_the_message_on_its_error_stream(self):
        with open(self.path("Bad.txt"), "w", encoding="utf-8") as f:
            f.write("object Page_X: TPage_X\n  object Lamp_1: TvxLamp\n  end\nend\n")
        with open(self.path("classes.txt"), "w", encoding="utf-8") as f:
            f.write(CLASSES)
        run = subprocess.run([sys.executable, formgen.__file__, "--form", self.path("Bad.txt"), "--classes",
                              self.path("classes.txt"), "--parts", "TParts", "--header", self.path("out/Bad.h"),
                              "--source", self.path("out/Bad.cpp"), "--include-as", "Bad.h"],
                             capture_output=True, text=True, check=False)
        self.assertEqual(run.returncode, 1)
        self.assertEqual(run.stderr, self.path("Bad.txt") + ":2: error: the class TvxLamp of Lamp_1 is not in the class "
                         "table\n")
        self.assertFalse(os.path.exists(self.path("out")))

    def test_a_bad_class_table_row_is_refused_with_the_table_line(self):
        message = self.refused("object Page_X: TPage_X\nend\n", classes=CLASSES + "TvxHudMemo Memo.h\n")
        self.assertRegex(message, r"classes\.txt:7: error: expected")

    def test_every_value_form_of_the_text_is_read_past(self):
        out = self.run_text("""\
            object Page_X: TPage_X
              object HudPanel_A: TvxHudPanel
                Caption = 'It''s'#13#10'two' +
                  ' lines'
                Items.Strings = (
                  'a'
                  'b')
                Style = [fsBold, fsItalic]
                Data = {
                  0A0B0C}
                Fill.Gradient.Points = <
                  item
                    Color = '#FF000000'
                    Offset = 0.5
                  end
                  item
                    Offset = 1E0
                  end>
                end = -3
                object.Tag = $1F
                Opacity = -INF
              end
              object HudLabel_B: TvxHudLabel [2]
              end
            end""")
        self.assertIn("vg::TvxHudPanel* HudPanel_A = nullptr;", out.header)
        self.assertIn("vg::TvxHudLabel* HudLabel_B = nullptr;", out.header)


if __name__ == "__main__":
    unittest.main()
