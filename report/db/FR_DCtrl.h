// Dialog controls of report templates: views wrapping a label, edit, memo, button, check box,
// radio button, list box, combo box, date edit or database lookup combo box, which the user
// fills in on a dialog page before the build. Each keeps its settings in the template and runs
// its script when clicked while a report runs.
#pragma once

#include "FR_Class.h"

class TLabel;
class TEdit;
class TMemo;
class TButton;
class TCheckBox;
class TRadioButton;
class TListBox;
class TComboBox;
class TDateTimePicker;
class TDBLookupComboBox;

class TfrStdControl : public TfrControl {
    KADRION_CLASS(TfrStdControl)
    TfrStdControl() = default;
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // Runs the view's script (prepared anew) with the view current, while a report runs.
    void Click();

protected:
    // Takes the control and wires its click to the view.
    void Adopt(TControl* AControl);
};

class TfrLabelControl : public TfrStdControl {
    KADRION_CLASS(TfrLabelControl)
    TfrLabelControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void Draw(TCanvas* ACanvas) override;
    TLabel* GetLabel() const;
    // AutoSize takes the view's size from the label, else the label gets the view's size.
    void ApplyAutoSize();
};

class TfrEditControl : public TfrStdControl {
    KADRION_CLASS(TfrEditControl)
    TfrEditControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TEdit* GetEdit() const;
};

class TfrMemoControl : public TfrStdControl {
    KADRION_CLASS(TfrMemoControl)
    TfrMemoControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TMemo* GetMemo() const;
};

class TfrButtonControl : public TfrStdControl {
    KADRION_CLASS(TfrButtonControl)
    TfrButtonControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TButton* GetButton() const;
    // Stores the modal result; 2 makes the button the Cancel one, 1 the Default one.
    void SetModalResult(int Value);
};

class TfrCheckBoxControl : public TfrStdControl {
    KADRION_CLASS(TfrCheckBoxControl)
    TfrCheckBoxControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TCheckBox* GetCheckBox() const;
};

class TfrRadioButtonControl : public TfrStdControl {
    KADRION_CLASS(TfrRadioButtonControl)
    TfrRadioButtonControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TRadioButton* GetRadioButton() const;
};

class TfrListBoxControl : public TfrStdControl {
    KADRION_CLASS(TfrListBoxControl)
    TfrListBoxControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TListBox* GetListBox() const;
};

// The combo box's styles as templates keep them.
enum : int { frcsDropDown = 0, frcsDropDownList = 2, frcsLookup = 3 };

class TfrComboBoxControl : public TfrStdControl {
    KADRION_CLASS(TfrComboBoxControl)
    TfrComboBoxControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    uint8_t StreamMinor() const override { return 1; }
    TComboBox* GetComboBox() const;
    // The value of the Text property: with the lookup style, the part after the first ";"
    // of an item "shown text;value" (trimmed, at most 255 characters).
    QString GetValueText() const;
};

class TfrDateEditControl : public TfrStdControl {
    KADRION_CLASS(TfrDateEditControl)
    TfrDateEditControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    TDateTimePicker* GetPicker() const;
};

// A lookup combo box over a dataset named in the template (ListSource), showing ListField
// and giving the KeyField of the chosen record as its Text.
class TfrDBLookupControl : public TfrStdControl {
    KADRION_CLASS(TfrDBLookupControl)
    TfrDBLookupControl();
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // The list source named in the template is found again once every object exists.
    void AfterLoad() override;
    TDBLookupComboBox* GetLookup() const;

private:
    QString listSourceName;
};

// Registers the ten dialog controls with the running engine.
void frRegisterDialogControls();
